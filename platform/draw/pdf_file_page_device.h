#pragma once
// The page device of the PDF printer drivers: the document goes into a named PDF file. The
// pages are written to a temporary file in the target's folder, which endDoc renames over the
// target, so the file appears whole or not at all (an existing file is replaced). An aborted
// document leaves the target as it was and removes the temporary file. A document without a
// page is refused by endDoc (no file is written).

#include "platform/draw/page_device.h"
#include "platform/draw/pdf_page_writer.h"

#include <string>

namespace platform::draw {

class PdfFilePageDevice : public PageDevice
{
public:
    // `outputPath`: the absolute path of the file to write.
    PdfFilePageDevice(std::string outputPath, const PageSetup& setup);
    ~PdfFilePageDevice() override;

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

    const std::string& outputPath() const { return m_outputPath; }

private:
    bool fail(const std::string& text);
    void removeTemp();

    const std::string m_outputPath;
    PdfPageWriter m_writer;
    std::string m_tempPath;
    std::string m_error;
    bool m_open = false;
};

} // namespace platform::draw
