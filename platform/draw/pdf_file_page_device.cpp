#include "platform/draw/pdf_file_page_device.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace platform::draw {

PdfFilePageDevice::PdfFilePageDevice(std::string outputPath, const PageSetup& setup)
    : m_outputPath(std::move(outputPath)), m_writer(setup)
{
}

PdfFilePageDevice::~PdfFilePageDevice()
{
    abortDoc();
}

bool PdfFilePageDevice::fail(const std::string& text)
{
    m_error = text;
    return false;
}

void PdfFilePageDevice::removeTemp()
{
    if (!m_tempPath.empty()) {
        QFile::remove(QString::fromStdString(m_tempPath));
        m_tempPath.clear();
    }
}

DeviceCaps PdfFilePageDevice::caps() const
{
    return m_writer.setup().caps();
}

bool PdfFilePageDevice::startDoc(const std::string& documentName)
{
    if (m_open) {
        return fail("startDoc: a document is already open");
    }
    const QFileInfo target(QString::fromStdString(m_outputPath));
    if (m_outputPath.empty() || !target.isAbsolute()) {
        return fail("startDoc: the output file '" + m_outputPath + "' is not an absolute path");
    }
    if (target.isDir()) {
        return fail("startDoc: the output file '" + m_outputPath + "' is a folder");
    }
    if (!target.absoluteDir().exists()) {
        return fail("startDoc: the folder of '" + m_outputPath + "' does not exist");
    }
    // The temporary file lives beside the target, so that the final rename stays on one
    // file system and is atomic.
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(false);
    if (!temp.open()) {
        return fail("startDoc: cannot create a file beside '" + m_outputPath +
                    "': " + temp.errorString().toStdString());
    }
    m_tempPath = temp.fileName().toStdString();
    temp.close();
    std::string error;
    if (!m_writer.open(m_tempPath, documentName, &error)) {
        removeTemp();
        return fail("startDoc: " + error);
    }
    m_open = true;
    m_error.clear();
    return true;
}

bool PdfFilePageDevice::startPage()
{
    if (!m_open) {
        return fail("startPage: no document is open");
    }
    std::string error;
    return m_writer.startPage(&error) || fail("startPage: " + error);
}

bool PdfFilePageDevice::endPage()
{
    std::string error;
    return m_writer.endPage(&error) || fail("endPage: " + error);
}

bool PdfFilePageDevice::endDoc()
{
    if (!m_open) {
        return fail("endDoc: no document is open");
    }
    m_open = false;
    std::string error;
    if (!m_writer.close(&error)) {
        removeTemp();
        return fail("endDoc: " + error);
    }
    if (m_writer.pageCount() == 0) {
        removeTemp();
        return fail("endDoc: the document has no pages; '" + m_outputPath + "' was not written");
    }
    // A document for the user: readable like any file they make (the temporary one is 0600).
    QFile::setPermissions(QString::fromStdString(m_tempPath),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                              QFileDevice::ReadOther);
    if (std::rename(m_tempPath.c_str(), m_outputPath.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        removeTemp();
        return fail("endDoc: cannot move the PDF to '" + m_outputPath + "': " + reason);
    }
    m_tempPath.clear();
    return true;
}

void PdfFilePageDevice::abortDoc()
{
    m_writer.discard();
    removeTemp();
    m_open = false;
}

bool PdfFilePageDevice::setOrientation(spooler::Orientation orientation)
{
    if (m_writer.inPage()) {
        return fail("setOrientation: a page is open");
    }
    m_writer.setOrientation(orientation);
    return true;
}

} // namespace platform::draw
