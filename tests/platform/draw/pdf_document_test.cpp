// The PDF file structure: every object the cross-reference table names starts where it says,
// the pages arrive in order through the compressor, and a discarded document stops at once.
#include "platform/draw/pdf_document.h"
#include "platform/draw/pdf_stream_compressor.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <future>
#include <string>

namespace platform::draw {
namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Inflates a zlib stream (qUncompress wants the length in front).
QByteArray inflate(const std::string& data, quint32 size)
{
    QByteArray framed;
    framed.append(static_cast<char>(size >> 24)).append(static_cast<char>(size >> 16));
    framed.append(static_cast<char>(size >> 8)).append(static_cast<char>(size));
    framed.append(data.data(), static_cast<qsizetype>(data.size()));
    return qUncompress(framed);
}

TEST(PdfDocumentTest, CrossReferencesPointAtTheirObjectsAndPagesComeInOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("doc.pdf"));
    PdfDocument document(PdfDocument::Options{3, 2, 6});
    std::string error;
    ASSERT_TRUE(document.open(path.toStdString(), &error)) << error;
    constexpr int kPages = 9;
    for (int page = 0; page < kPages; ++page) {
        // Pages of very different sizes, so that later ones can finish compressing first.
        std::string content = "0 0 1 rg\n";
        for (int i = 0; i < (page % 3 == 0 ? 20000 : 10); ++i)
            content += std::to_string(page) + " " + std::to_string(i) + " 1 1 re f\n";
        document.addPage(content, 595, 842);
    }
    document.writeObject(document.resourcesId(), "<<>>");
    ASSERT_TRUE(document.close("Report (Q1) \\ \xC3\xA9t\xC3\xA9", "Typestone", &error)) << error;

    const QByteArray file = readAll(path);
    ASSERT_TRUE(file.startsWith("%PDF-1.4\n"));
    const qsizetype start = file.lastIndexOf("startxref\n");
    ASSERT_GT(start, 0);
    const qsizetype xref = file.mid(start + 10).split('\n').front().toLongLong();
    ASSERT_TRUE(file.mid(xref).startsWith("xref\n0 "));
    const QList<QByteArray> lines = file.mid(xref).split('\n');
    const int count = lines[1].split(' ')[1].toInt();
    ASSERT_GT(count, 2 * kPages + 3);
    for (int id = 1; id < count; ++id) {
        const QByteArray entry = lines[2 + id];
        ASSERT_EQ(entry.size(), 19) << "entry " << id;
        ASSERT_TRUE(entry.endsWith(" n ")) << "object " << id << " not written";
        const qsizetype offset = entry.left(10).toLongLong();
        EXPECT_TRUE(file.mid(offset).startsWith(QByteArray::number(id) + " 0 obj\n")) << "object " << id;
    }
    // The page contents are in page order (each page's first fill names its page).
    int page = 0;
    for (qsizetype at = file.indexOf("/Contents "); at >= 0;
         at = file.indexOf("/Contents ", at + 1), ++page) {
        const int id = file.mid(at + 10).split(' ').front().toInt();
        ASSERT_GT(id, 0);
        const qsizetype offset = lines[2 + id].left(10).toLongLong();
        const qsizetype begin = file.indexOf("stream\n", offset) + 7;
        const qsizetype length = file.mid(offset).split(' ')[3].toLongLong(); // "N 0 obj\n<</Length L"
        ASSERT_GT(length, 0);
        const QByteArray content = inflate(file.mid(begin, length).toStdString(), 1 << 24);
        EXPECT_TRUE(content.startsWith("0 0 1 rg\n" + QByteArray::number(page) + " 0 1 1 re f\n"))
            << "page " << page;
    }
    EXPECT_EQ(page, kPages);

    // Readers agree: the page count, and the title as written (UTF-16 with its escapes).
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("Pages:           9"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8("Report (Q1) \\ été"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Creator:         Typestone"))) << out.toStdString();
    EXPECT_TRUE(info.readAllStandardError().isEmpty());
}

TEST(PdfDocumentTest, TitlesAreUtf16WithTheirDelimitersEscaped)
{
    EXPECT_EQ(PdfDocument::textString("a(b)\\"), std::string("(\xFE\xFF\0a\0\\(\0b\0\\)\0\\\\)", 17));
    EXPECT_EQ(PdfDocument::textString("\r\n"), std::string("(\xFE\xFF\0\\r\0\\n)", 10));
    // A character beyond 16 bits is a surrogate pair; U+0128 has ( as its low byte.
    EXPECT_EQ(PdfDocument::textString("\xF0\x9F\x98\x80\xC4\xA8"),
              std::string("(\xFE\xFF\xD8\x3D\xDE\x00\x01\\()", 11));
}

TEST(PdfDocumentTest, OpeningWhereNoFileCanBeIsAnError)
{
    PdfDocument document;
    std::string error;
    EXPECT_FALSE(document.open("/nonexistent-folder/doc.pdf", &error));
    EXPECT_NE(error.find("/nonexistent-folder/doc.pdf"), std::string::npos) << error;
    EXPECT_FALSE(document.close("t", "c", &error));
}

TEST(PdfDocumentTest, AFileThatCannotBeWrittenFailsTheClose)
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    PdfDocument document;
    std::string error;
    ASSERT_TRUE(document.open("/dev/full", &error)) << error;
    for (int page = 0; page < 3; ++page)
        document.addPage(std::string(300000, 'x'), 595, 842);
    document.writeObject(document.resourcesId(), "<<>>");
    EXPECT_FALSE(document.close("t", "c", &error));
    EXPECT_NE(error.find("writing the PDF failed"), std::string::npos) << error;
}

TEST(PdfStreamCompressorTest, StreamsComeBackInOrderAndInflateToWhatWasGiven)
{
    PdfStreamCompressor compressor(3, 8, 6);
    std::vector<std::string> inputs;
    for (int i = 0; i < 8; ++i)
        inputs.push_back(std::string(static_cast<size_t>(i % 2 ? 10 : 3000000), static_cast<char>('a' + i)) +
                         "end");
    for (const std::string& input : inputs)
        ASSERT_TRUE(compressor.submit(input));
    EXPECT_EQ(compressor.pending(), 8);
    for (const std::string& input : inputs) {
        const std::optional<std::string> out = compressor.take(true);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(inflate(*out, static_cast<quint32>(input.size())).toStdString(), input);
    }
    EXPECT_EQ(compressor.pending(), 0);
    EXPECT_FALSE(compressor.take(true).has_value()) << "nothing pending: no wait";
}

TEST(PdfStreamCompressorTest, DiscardEndsAWaitAndLaterSubmits)
{
    auto compressor = std::make_unique<PdfStreamCompressor>(1, 4, 9);
    // Enough work that the wait is still on when discard comes.
    std::string big;
    for (unsigned i = 0; i < 4000000u; ++i)
        big += static_cast<char>((i * 7919u) % 251u);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(compressor->submit(big));
    auto waiting = std::async(std::launch::async, [&] { return compressor->take(true).has_value(); });
    compressor->discard();
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(waiting.get());
    EXPECT_FALSE(compressor->submit("more"));
    EXPECT_FALSE(compressor->take(true).has_value());
    // The destructor joins the threads, the one still compressing included.
    auto destroyed = std::async(std::launch::async, [&] { compressor.reset(); });
    EXPECT_EQ(destroyed.wait_for(std::chrono::seconds(60)), std::future_status::ready);
}

TEST(PdfStreamCompressorTest, DestroyingWithWorkPendingEnds)
{
    auto done = std::async(std::launch::async, [] {
        PdfStreamCompressor compressor(2, 4, 6);
        for (int i = 0; i < 6; ++i)
            compressor.submit(std::string(1000000, 'x'));
    });
    EXPECT_EQ(done.wait_for(std::chrono::seconds(60)), std::future_status::ready);
}

TEST(PdfDocumentTest, DiscardMidDocumentStopsWithoutFinishingTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.pdf"));
    PdfDocument document(PdfDocument::Options{2, 4, 9});
    std::string error;
    ASSERT_TRUE(document.open(path.toStdString(), &error));
    for (int page = 0; page < 6; ++page)
        document.addPage(std::string(2000000, static_cast<char>('a' + page)), 595, 842);
    auto discarded = std::async(std::launch::async, [&] { document.discard(); });
    ASSERT_EQ(discarded.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_FALSE(document.isOpen());
    EXPECT_FALSE(readAll(path).contains("%%EOF"));
    EXPECT_FALSE(document.close("t", "c", &error));
}

} // namespace
} // namespace platform::draw
