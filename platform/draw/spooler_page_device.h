#pragma once
// The page device of a spooler printer: the pages go into a temporary PDF at the printer's
// resolution and media, which endDoc submits whole (Spooler::submitPdf) and then removes.
// An aborted document is never submitted; its file is removed at once. A document that
// ended without a page submits nothing and succeeds.

#include "platform/draw/page_device.h"
#include "platform/draw/pdf_page_writer.h"
#include "platform/spooler/spooler.h"

#include <memory>
#include <string>

namespace platform::draw {

class SpoolerPageDevice : public PageDevice
{
public:
    // `spooler` must outlive the device. `options` go with the submitted document; media,
    // resolution and orientation are those of `setup` (the PDF's pages carry the
    // orientation, so the document is submitted as portrait).
    SpoolerPageDevice(spooler::Spooler& spooler, std::string printer, const PageSetup& setup,
                      const spooler::PrintOptions& options);
    ~SpoolerPageDevice() override;

    bool startDoc(const std::string& documentName) override;
    bool startPage() override;
    bool endPage() override;
    bool endDoc() override;
    void abortDoc() override;
    Dc* dc() override { return m_writer.dc(); }
    DeviceCaps caps() const override;
    bool setOrientation(spooler::Orientation orientation) override;
    int pageCount() const override { return m_writer.pageCount(); }
    std::string errorText() const override { return m_error; }

private:
    bool fail(const std::string& text);
    void removeTemp();

    spooler::Spooler& m_spooler;
    const std::string m_printer;
    spooler::PrintOptions m_options;
    PdfPageWriter m_writer;
    std::string m_documentName;
    std::string m_tempPath;
    std::string m_error;
    bool m_open = false;
};

} // namespace platform::draw
