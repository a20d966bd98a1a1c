#pragma once
// Writes pages into a PDF file of our own making at the page setup's resolution and size, each
// page drawn through a PdfDc in device pixels (internal to the PDF page devices).

#include "platform/draw/page_setup.h"
#include "platform/draw/pdf_content.h"
#include "platform/draw/pdf_dc.h"
#include "platform/draw/pdf_document.h"

#include <memory>
#include <string>

namespace platform::draw {

class PdfFonts;

class PdfPageWriter
{
public:
    explicit PdfPageWriter(const PageSetup& setup);
    ~PdfPageWriter();

    PdfPageWriter(const PdfPageWriter&) = delete;
    PdfPageWriter& operator=(const PdfPageWriter&) = delete;

    // Starts a document into `path` (created or truncated) titled `title`.
    bool open(const std::string& path, const std::string& title, std::string* error);
    bool startPage(std::string* error);
    bool endPage(std::string* error);
    // Finishes the file; false when writing failed.
    bool close(std::string* error);
    // Stops without finishing the file (the caller removes it).
    void discard();

    void setOrientation(spooler::Orientation orientation);
    const PageSetup& setup() const { return m_setup; }
    Dc* dc() { return &m_dc; }
    int pageCount() const { return m_pages; }
    bool inPage() const { return m_inPage; }

private:
    void applyLayout();

    PageSetup m_setup;
    PdfDc m_dc;
    PdfDocument m_document;
    std::unique_ptr<PdfFonts> m_fonts;
    PdfContent m_content;
    std::string m_title;
    int m_widthPt = 0;
    int m_heightPt = 0;
    int m_pages = 0;
    bool m_inPage = false;
};

} // namespace platform::draw
