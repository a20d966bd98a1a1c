#include "platform/draw/spooler_page_device.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <utility>

namespace platform::draw {

SpoolerPageDevice::SpoolerPageDevice(spooler::Spooler& spooler, std::string printer, const PageSetup& setup,
                                     const spooler::PrintOptions& options)
    : m_spooler(spooler), m_printer(std::move(printer)), m_options(options), m_writer(setup)
{
}

SpoolerPageDevice::~SpoolerPageDevice()
{
    abortDoc();
}

bool SpoolerPageDevice::fail(const std::string& text)
{
    m_error = text;
    return false;
}

void SpoolerPageDevice::removeTemp()
{
    if (!m_tempPath.empty()) {
        QFile::remove(QString::fromStdString(m_tempPath));
        m_tempPath.clear();
    }
}

DeviceCaps SpoolerPageDevice::caps() const
{
    return m_writer.setup().caps();
}

bool SpoolerPageDevice::startDoc(const std::string& documentName)
{
    if (m_open) {
        return fail("startDoc: a document is already open");
    }
    // A private file (0600) of our own; it only lives until the document is submitted.
    QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/typestone-job-XXXXXX.pdf"));
    temp.setAutoRemove(false);
    if (!temp.open()) {
        return fail("startDoc: cannot create a temporary file in " + QDir::tempPath().toStdString() + ": " +
                    temp.errorString().toStdString());
    }
    m_tempPath = temp.fileName().toStdString();
    temp.close();
    std::string error;
    if (!m_writer.open(m_tempPath, documentName, &error)) {
        removeTemp();
        return fail("startDoc: " + error);
    }
    m_documentName = documentName;
    m_open = true;
    m_error.clear();
    return true;
}

bool SpoolerPageDevice::startPage()
{
    if (!m_open) {
        return fail("startPage: no document is open");
    }
    std::string error;
    return m_writer.startPage(&error) || fail("startPage: " + error);
}

bool SpoolerPageDevice::endPage()
{
    std::string error;
    return m_writer.endPage(&error) || fail("endPage: " + error);
}

bool SpoolerPageDevice::endDoc()
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
        // Nothing to print.
        removeTemp();
        return true;
    }
    spooler::PrintOptions options = m_options;
    const PageSetup& setup = m_writer.setup();
    options.media = setup.media;
    options.resolution = setup.resolution;
    // The pages are already turned; the spooler must not turn them again.
    options.orientation = spooler::Orientation::Portrait;
    const bool submitted = m_spooler.submitPdf(m_printer, m_documentName, m_tempPath, options, &error);
    removeTemp();
    return submitted || fail("endDoc: submitting to '" + m_printer + "' failed: " + error);
}

void SpoolerPageDevice::abortDoc()
{
    m_writer.discard();
    removeTemp();
    m_open = false;
}

bool SpoolerPageDevice::setOrientation(spooler::Orientation orientation)
{
    if (m_writer.inPage()) {
        return fail("setOrientation: a page is open");
    }
    m_writer.setOrientation(orientation);
    return true;
}

} // namespace platform::draw
