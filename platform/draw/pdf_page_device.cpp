#include "platform/draw/pdf_page_device.h"

#include <QFile>
#include <QTemporaryFile>

namespace platform::draw {

PdfPageDevice::PdfPageDevice(const PageSetup& setup) : m_writer(setup) {}

PdfPageDevice::~PdfPageDevice()
{
    m_writer.discard();
    removeTemp();
}

bool PdfPageDevice::fail(const std::string& text)
{
    m_error = text;
    return false;
}

void PdfPageDevice::removeTemp()
{
    if (!m_tempPath.empty()) {
        QFile::remove(QString::fromStdString(m_tempPath));
        m_tempPath.clear();
    }
}

DeviceCaps PdfPageDevice::caps() const
{
    return m_writer.setup().caps();
}

bool PdfPageDevice::openDocument(const std::string& pattern, const std::string& documentName)
{
    if (m_open)
        return fail("startDoc: a document is already open");
    QTemporaryFile temp(QString::fromStdString(pattern));
    temp.setAutoRemove(false);
    if (!temp.open())
        return fail("startDoc: cannot create the temporary file " + pattern + ": " +
                    temp.errorString().toStdString());
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

bool PdfPageDevice::startPage()
{
    if (!m_open)
        return fail("startPage: no document is open");
    std::string error;
    return m_writer.startPage(&error) || fail("startPage: " + error);
}

bool PdfPageDevice::endPage()
{
    std::string error;
    return m_writer.endPage(&error) || fail("endPage: " + error);
}

bool PdfPageDevice::closeDocument(bool* empty)
{
    if (!m_open)
        return fail("endDoc: no document is open");
    m_open = false;
    std::string error;
    if (!m_writer.close(&error)) {
        removeTemp();
        return fail("endDoc: " + error);
    }
    *empty = m_writer.pageCount() == 0;
    return true;
}

void PdfPageDevice::abortDoc()
{
    m_writer.discard();
    removeTemp();
    m_open = false;
}

bool PdfPageDevice::setOrientation(spooler::Orientation orientation)
{
    if (m_writer.inPage())
        return fail("setOrientation: a page is open");
    m_writer.setOrientation(orientation);
    return true;
}

} // namespace platform::draw
