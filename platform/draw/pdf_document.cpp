#include "platform/draw/pdf_document.h"

#include <QDateTime>
#include <QString>

#include <cerrno>
#include <cstring>
#include <memory>

namespace platform::draw {

namespace {

constexpr size_t kFileBuffer = 1 << 18;

std::string number(long long value)
{
    return std::to_string(value);
}

} // namespace

PdfDocument::PdfDocument() : PdfDocument(Options{}) {}

PdfDocument::PdfDocument(const Options& options) : m_options(options) {}

PdfDocument::~PdfDocument()
{
    discard();
}

bool PdfDocument::open(const std::string& path, std::string* error)
{
    discard();
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file) {
        *error = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    m_buffer.resize(kFileBuffer);
    std::setvbuf(m_file, m_buffer.data(), _IOFBF, m_buffer.size());
    m_offset = 0;
    m_failed = false;
    m_failure.clear();
    m_offsets.clear();
    m_pageIds.clear();
    m_contentIds.clear();
    m_compressor = std::make_unique<PdfStreamCompressor>(m_options.compressThreads, m_options.pagesInFlight,
                                                         m_options.compressLevel);
    // The binary comment tells transfer programs the file is not text.
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    m_pagesId = allocate();
    m_resourcesId = allocate();
    return !m_failed || (*error = m_failure, false);
}

int PdfDocument::allocate()
{
    m_offsets.push_back(-1);
    return static_cast<int>(m_offsets.size());
}

void PdfDocument::write(std::string_view bytes)
{
    if (!m_file || m_failed || bytes.empty()) {
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        m_failed = true;
        m_failure = std::strerror(errno);
        return;
    }
    m_offset += static_cast<long long>(bytes.size());
}

void PdfDocument::writeObject(int id, std::string_view body)
{
    if (id < 1 || id > static_cast<int>(m_offsets.size())) {
        return;
    }
    m_offsets[static_cast<size_t>(id - 1)] = m_offset;
    write(number(id) + " 0 obj\n");
    write(body);
    write("\nendobj\n");
}

void PdfDocument::fail(const std::string& reason)
{
    if (!m_failed) {
        m_failed = true;
        m_failure = reason;
    }
}

void PdfDocument::writeStream(int id, std::string_view dictionary, std::string_view data, bool deflate)
{
    std::string compressed;
    if (deflate) {
        compressed = PdfStreamCompressor::deflate(std::string(data), m_options.compressLevel);
        if (compressed.empty()) {
            // Even no data deflates to a few bytes: empty means zlib failed (no memory).
            fail("a stream could not be compressed");
            return;
        }
        data = compressed;
    }
    std::string head = "<<";
    if (!dictionary.empty()) {
        head += dictionary;
        head += ' ';
    }
    head += "/Length " + number(static_cast<long long>(data.size()));
    if (deflate) {
        head += " /Filter /FlateDecode";
    }
    head += ">>\nstream\n";
    if (id < 1 || id > static_cast<int>(m_offsets.size())) {
        return;
    }
    m_offsets[static_cast<size_t>(id - 1)] = m_offset;
    write(number(id) + " 0 obj\n");
    write(head);
    write(data);
    write("\nendstream\nendobj\n");
}

void PdfDocument::addPage(std::string content, int widthPt, int heightPt)
{
    if (!m_file) {
        return;
    }
    const int pageId = allocate();
    const int contentId = allocate();
    m_pageIds.push_back(pageId);
    writeObject(pageId, "<</Type /Page /Parent " + number(m_pagesId) + " 0 R /MediaBox [0 0 " +
                            number(widthPt) + " " + number(heightPt) + "] /Resources " +
                            number(m_resourcesId) + " 0 R /Contents " + number(contentId) + " 0 R>>");
    if (m_compressor->submit(std::move(content))) {
        m_contentIds.push_back(contentId);
    }
    drain(false);
}

void PdfDocument::drain(bool all)
{
    while (!m_contentIds.empty()) {
        // Wait only when the compressor holds as many pages as it may, or at the end.
        const bool wait = all || static_cast<int>(m_contentIds.size()) >= m_compressor->maxInFlight();
        std::optional<std::string> compressed = m_compressor->take(wait);
        if (!compressed) {
            if (wait) {
                // Discarded under us: nothing more will come.
                m_contentIds.clear();
                fail("the page compression was stopped");
            }
            return;
        }
        if (compressed->empty()) {
            m_contentIds.clear();
            fail("a page could not be compressed");
            return;
        }
        const int id = m_contentIds.front();
        m_contentIds.pop_front();
        m_offsets[static_cast<size_t>(id - 1)] = m_offset;
        write(number(id) + " 0 obj\n<</Length " + number(static_cast<long long>(compressed->size())) +
              " /Filter /FlateDecode>>\nstream\n");
        write(*compressed);
        write("\nendstream\nendobj\n");
    }
}

std::string PdfDocument::textString(std::string_view utf8)
{
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    std::string out = "(\xFE\xFF";
    const auto put = [&out](char byte) {
        switch (byte) {
        case '(':
        case ')':
        case '\\':
            out += '\\';
            out += byte;
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += byte;
        }
    };
    for (const QChar c : text) {
        put(static_cast<char>(c.unicode() >> 8));
        put(static_cast<char>(c.unicode() & 0xFF));
    }
    out += ')';
    return out;
}

bool PdfDocument::close(const std::string& title, const std::string& creator, std::string* error)
{
    if (!m_file) {
        *error = "no document is open";
        return false;
    }
    drain(true);
    std::string kids;
    kids.reserve(m_pageIds.size() * 8);
    for (const int id : m_pageIds) {
        kids += number(id) + " 0 R ";
    }
    writeObject(m_pagesId, "<</Type /Pages /Kids [" + kids + "] /Count " +
                               number(static_cast<long long>(m_pageIds.size())) + ">>");
    const int catalogId = allocate();
    writeObject(catalogId, "<</Type /Catalog /Pages " + number(m_pagesId) + " 0 R>>");
    const int infoId = allocate();
    const std::string date =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("'D:'yyyyMMddHHmmss'Z'")).toStdString();
    writeObject(infoId, "<</Title " + textString(title) + " /Creator " + textString(creator) + " /Producer " +
                            textString(creator) + " /CreationDate (" + date + ")>>");

    const long long xref = m_offset;
    std::string table =
        "xref\n0 " + number(static_cast<long long>(m_offsets.size()) + 1) + "\n0000000000 65535 f \n";
    for (const long long offset : m_offsets) {
        char entry[40];
        // An object never written (nothing may refer to it) is listed as free.
        if (offset < 0) {
            std::snprintf(entry, sizeof entry, "%010d 00000 f \n", 0);
        } else {
            std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", offset);
        }
        table += entry;
    }
    write(table);
    write("trailer\n<</Size " + number(static_cast<long long>(m_offsets.size()) + 1) + " /Root " +
          number(catalogId) + " 0 R /Info " + number(infoId) + " 0 R>>\nstartxref\n" + number(xref) +
          "\n%%EOF\n");

    m_compressor.reset();
    bool ok = !m_failed;
    if (std::fflush(m_file) != 0 && ok) {
        ok = false;
        m_failure = std::strerror(errno);
    }
    if (std::fclose(m_file) != 0 && ok) {
        ok = false;
        m_failure = std::strerror(errno);
    }
    m_file = nullptr;
    if (!ok) {
        *error = "writing the PDF failed: " + m_failure;
    }
    return ok;
}

void PdfDocument::discard()
{
    if (m_compressor) {
        m_compressor->discard();
        m_compressor.reset();
    }
    m_contentIds.clear();
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

} // namespace platform::draw
