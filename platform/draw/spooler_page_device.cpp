#include "platform/draw/spooler_page_device.h"

#include <QDir>

#include <utility>

namespace platform::draw {

SpoolerPageDevice::SpoolerPageDevice(spooler::Spooler& spooler, std::string printer, const PageSetup& setup,
                                     const spooler::PrintOptions& options, std::string workFolder)
    : PdfPageDevice(setup), m_spooler(spooler), m_printer(std::move(printer)), m_options(options),
      m_workFolder(std::move(workFolder))
{
}

bool SpoolerPageDevice::startDoc(const std::string& documentName)
{
    // A private file of our own; it only lives until the document is submitted.
    const std::string folder = m_workFolder.empty() ? QDir::tempPath().toStdString() : m_workFolder;
    if (!openDocument(folder + "/typestone-job-XXXXXX.pdf", documentName))
        return false;
    m_documentName = documentName;
    return true;
}

bool SpoolerPageDevice::endDoc()
{
    bool empty = false;
    if (!closeDocument(&empty))
        return false;
    if (empty) {
        // Nothing to print.
        removeTemp();
        return true;
    }
    spooler::PrintOptions options = m_options;
    options.media = setup().media;
    options.resolution = setup().resolution;
    // The pages are already turned; the spooler must not turn them again.
    options.orientation = spooler::Orientation::Portrait;
    std::string error;
    const bool submitted = m_spooler.submitPdf(m_printer, m_documentName, tempPath(), options, &error);
    removeTemp();
    return submitted || fail("endDoc: submitting to '" + m_printer + "' failed: " + error);
}

} // namespace platform::draw
