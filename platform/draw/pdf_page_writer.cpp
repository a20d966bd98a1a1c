#include "platform/draw/pdf_page_writer.h"

#include "platform/draw/pdf_fonts.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>

namespace platform::draw {

namespace {

QPageLayout layoutFor(const PageSetup& setup)
{
    const auto size = PageSetup::mediaSizeMm(setup.media).value_or(std::make_pair(210.0, 297.0));
    const QPageSize pageSize(QSizeF(size.first, size.second), QPageSize::Millimeter, QString(),
                             QPageSize::FuzzyMatch);
    return QPageLayout(pageSize, setup.isLandscape() ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

} // namespace

PdfPageWriter::PdfPageWriter(const PageSetup& setup) : m_setup(setup), m_dc(setup.caps())
{
    applyLayout();
}

PdfPageWriter::~PdfPageWriter()
{
    discard();
}

bool PdfPageWriter::open(const std::string& path, const std::string& title, std::string* error)
{
    discard();
    if (!m_document.open(path, error)) {
        return false;
    }
    m_fonts = std::make_unique<PdfFonts>();
    m_dc.startDocument(&m_document, m_fonts.get());
    m_title = title;
    applyLayout();
    m_pages = 0;
    m_inPage = false;
    return true;
}

void PdfPageWriter::applyLayout()
{
    m_dc.setCaps(m_setup.caps());
    // The sheet in whole points, as page sizes are named (A4 595 x 842, Letter 612 x 792).
    const QRect points = layoutFor(m_setup).fullRectPoints();
    m_widthPt = points.width();
    m_heightPt = points.height();
}

void PdfPageWriter::setOrientation(spooler::Orientation orientation)
{
    m_setup.orientation = orientation;
    applyLayout();
}

bool PdfPageWriter::startPage(std::string* error)
{
    if (!m_document.isOpen()) {
        *error = "no document is open";
        return false;
    }
    if (m_inPage) {
        *error = "a page is already open";
        return false;
    }
    m_content.clear();
    m_content.reserve(1 << 16);
    m_dc.startPage(&m_content, m_heightPt);
    m_inPage = true;
    return true;
}

bool PdfPageWriter::endPage(std::string* error)
{
    if (!m_inPage) {
        *error = "no page is open";
        return false;
    }
    m_dc.endPage();
    m_document.addPage(m_content.take(), m_widthPt, m_heightPt);
    m_inPage = false;
    ++m_pages;
    return true;
}

bool PdfPageWriter::close(std::string* error)
{
    if (!m_document.isOpen()) {
        *error = "no document is open";
        return false;
    }
    if (m_inPage) {
        // A page still open ends with the document, as a painter's end() finishes it.
        std::string ignored;
        endPage(&ignored);
    }
    const std::string fonts = m_fonts ? m_fonts->writeAll(m_document) : std::string();
    m_document.writeObject(m_document.resourcesId(), "<</ProcSet [/PDF /Text /ImageC] /Font <<" + fonts +
                                                         ">> /XObject <<" + m_dc.xobjectEntries() +
                                                         ">> /Pattern <<" + m_dc.patternEntries() + ">>>>");
    m_dc.startDocument(nullptr, nullptr);
    m_fonts.reset();
    return m_document.close(m_title, "Typestone", error);
}

void PdfPageWriter::discard()
{
    m_dc.endPage();
    m_dc.startDocument(nullptr, nullptr);
    m_inPage = false;
    m_document.discard();
    m_fonts.reset();
}

} // namespace platform::draw
