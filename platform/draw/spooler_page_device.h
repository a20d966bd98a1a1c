#pragma once
// The page device of a spooler printer: the pages go into a temporary PDF at the printer's
// resolution and media, which endDoc submits whole (Spooler::submitPdf) and then removes.
// An aborted document is never submitted; its file is removed at once. A document that
// ended without a page submits nothing and succeeds.

#include "platform/draw/pdf_page_device.h"
#include "platform/spooler/spooler.h"

#include <string>

namespace platform::draw {

class SpoolerPageDevice : public PdfPageDevice
{
public:
    // `spooler` must outlive the device. `options` go with the submitted document; media,
    // resolution and orientation are those of `setup` (the PDF's pages carry the
    // orientation, so the document is submitted as portrait).
    // The PDF is made in `workFolder` (empty: the temporary folder) as
    // "typestone-job-XXXXXX.pdf".
    SpoolerPageDevice(spooler::Spooler& spooler, std::string printer, const PageSetup& setup,
                      const spooler::PrintOptions& options, std::string workFolder = {});

    bool startDoc(const std::string& documentName) override;
    bool endDoc() override;

private:
    spooler::Spooler& m_spooler;
    const std::string m_printer;
    spooler::PrintOptions m_options;
    std::string m_documentName;
    std::string m_workFolder;
};

} // namespace platform::draw
