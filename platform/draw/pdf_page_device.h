#pragma once
// What the PDF-backed page devices share: the pages go into a temporary PDF, which the
// concrete device hands on at endDoc (submitted to a spooler, or renamed over a named file).
// An aborted document discards the writer and removes the temporary file.

#include "platform/draw/page_device.h"
#include "platform/draw/pdf_page_writer.h"

#include <string>

namespace platform::draw {

class PdfPageDevice : public PageDevice
{
public:
    explicit PdfPageDevice(const PageSetup& setup);
    ~PdfPageDevice() override;

    bool startPage() override;
    bool endPage() override;
    void abortDoc() override;
    Dc* dc() override { return m_writer.dc(); }
    DeviceCaps caps() const override;
    bool setOrientation(spooler::Orientation orientation) override;
    int pageCount() const override { return m_writer.pageCount(); }
    std::string errorText() const override { return m_error; }

protected:
    // Creates the temporary file from `pattern` (a QTemporaryFile template, 0600) and opens
    // the writer on it. Refused while a document is open.
    bool openDocument(const std::string& pattern, const std::string& documentName);
    // Ends the writer. False (temporary file removed) when the PDF cannot be finished; an
    // empty document is reported through `empty`, its temporary file still in place.
    bool closeDocument(bool* empty);

    bool fail(const std::string& text);
    void removeTemp();
    const std::string& tempPath() const { return m_tempPath; }
    void forgetTemp() { m_tempPath.clear(); }
    bool isOpen() const { return m_open; }
    const PageSetup& setup() const { return m_writer.setup(); }

private:
    PdfPageWriter m_writer;
    std::string m_tempPath;
    std::string m_error;
    bool m_open = false;
};

} // namespace platform::draw
