#pragma once
// Chooses the page device for a job from the spooler and the printer name.
//
// - The PDF driver names ("Microsoft Print to PDF", "PDFCreator", "Win2PDF", any case): a
//   PdfFilePageDevice writing the named output file (or a fresh temporary "pdf*.pdf" file).
// - Any other printer: a SpoolerPageDevice, which renders the job into a PDF at the printer's
//   resolution and media and submits it whole to the spooler when the job ends (the folder
//   spooler stores it, CUPS receives application/pdf).
// The page settings are the printer's defaults (Spooler::defaults) overridden by the request's
// options; a PDF driver name the spooler does not know takes the built-in defaults
// (A4 portrait, 600 dpi).

#include "platform/draw/font_engine.h"
#include "platform/draw/page_device.h"
#include "platform/spooler/print_options.h"
#include "platform/spooler/spooler.h"

#include <memory>
#include <string>

namespace platform::draw {

struct PageDeviceRequest
{
    std::string printer;
    // PDF driver names only: the file to write (absolute path). Empty: a temporary file
    // "pdf*.pdf" in the temporary folder; PdfFilePageDevice::outputPath() names it.
    std::string outputFile;
    // Settings of this job; what is unset comes from the printer's defaults.
    spooler::PrintOptions options;
};

// True for the printer names that stand for a PDF printer driver.
bool isPdfDriverName(const std::string& printer);

// Null with the reason in `error` when the printer's settings cannot be had or are invalid.
// `spooler` must outlive the device.
std::unique_ptr<PageDevice> makePageDevice(spooler::Spooler& spooler, const PageDeviceRequest& request,
                                           std::string* error);
// The same, with the folder where a spooler printer's PDF is made before it is submitted
// (empty: the temporary folder). A server gives a folder of its own, so that what a crash
// leaves there can be found and removed at the next start.
std::unique_ptr<PageDevice> makePageDevice(spooler::Spooler& spooler, const PageDeviceRequest& request,
                                           std::string* error, const std::string& workFolder);

} // namespace platform::draw
