#pragma once
// Writes pages into a PDF file with QPdfWriter at the page setup's resolution and size, each
// page drawn through a PainterDc in device pixels (internal to the PDF page devices).

#include "platform/draw/page_setup.h"
#include "platform/draw/painter_dc.h"

#include <memory>
#include <string>

class QFile;
class QPdfWriter;
class QPainter;

namespace platform::draw {

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
    PainterDc* dc() { return &m_dc; }
    int pageCount() const { return m_pages; }
    bool inPage() const { return m_inPage; }

private:
    void applyLayout();
    void attachPainter();

    PageSetup m_setup;
    PainterDc m_dc;
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    int m_pages = 0;
    bool m_inPage = false;
};

} // namespace platform::draw
