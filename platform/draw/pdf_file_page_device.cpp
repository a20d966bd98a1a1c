#include "platform/draw/pdf_file_page_device.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace platform::draw {

PdfFilePageDevice::PdfFilePageDevice(std::string outputPath, const PageSetup& setup) : PdfPageDevice(setup)
{
    m_outputPath = std::move(outputPath);
}

bool PdfFilePageDevice::startDoc(const std::string& documentName)
{
    if (isOpen())
        return fail("startDoc: a document is already open");
    const QFileInfo target(QString::fromStdString(m_outputPath));
    if (m_outputPath.empty() || !target.isAbsolute())
        return fail("startDoc: the output file '" + m_outputPath + "' is not an absolute path");
    if (target.isDir())
        return fail("startDoc: the output file '" + m_outputPath + "' is a folder");
    if (!target.absoluteDir().exists())
        return fail("startDoc: the folder of '" + m_outputPath + "' does not exist");
    // The temporary file lives beside the target, so that the final rename stays on one
    // file system and is atomic.
    return openDocument(
        (target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"))
            .toStdString(),
        documentName);
}

bool PdfFilePageDevice::endDoc()
{
    bool empty = false;
    if (!closeDocument(&empty))
        return false;
    if (empty) {
        removeTemp();
        return fail("endDoc: the document has no pages; '" + m_outputPath + "' was not written");
    }
    // A document for the user: readable like any file they make (the temporary one is 0600).
    QFile::setPermissions(QString::fromStdString(tempPath()),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                              QFileDevice::ReadOther);
    if (std::rename(tempPath().c_str(), m_outputPath.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        removeTemp();
        return fail("endDoc: cannot move the PDF to '" + m_outputPath + "': " + reason);
    }
    forgetTemp();
    return true;
}

} // namespace platform::draw
