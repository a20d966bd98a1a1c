#include "platform/draw/pdf_page_writer.h"

#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

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

PdfPageWriter::PdfPageWriter(const PageSetup& setup) : m_setup(setup), m_dc(setup.caps()) {}

PdfPageWriter::~PdfPageWriter()
{
    discard();
}

bool PdfPageWriter::open(const std::string& path, const std::string& title, std::string* error)
{
    discard();
    m_file = std::make_unique<QFile>(QString::fromStdString(path));
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = "cannot write '" + path + "': " + m_file->errorString().toStdString();
        m_file.reset();
        return false;
    }
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setTitle(QString::fromStdString(title));
    m_writer->setCreator(QStringLiteral("Typestone"));
    m_writer->setResolution(m_setup.resolution.x);
    applyLayout();
    m_pages = 0;
    m_inPage = false;
    return true;
}

void PdfPageWriter::applyLayout()
{
    m_dc.setCaps(m_setup.caps());
    if (m_writer) {
        m_writer->setPageLayout(layoutFor(m_setup));
    }
}

void PdfPageWriter::setOrientation(spooler::Orientation orientation)
{
    m_setup.orientation = orientation;
    applyLayout();
}

void PdfPageWriter::attachPainter()
{
    m_painter->resetTransform();
    if (m_setup.resolution.y != m_setup.resolution.x) {
        // The writer's unit is 1/dpiX inch both ways; make y steps 1/dpiY inch.
        m_painter->scale(1.0, static_cast<double>(m_setup.resolution.x) / m_setup.resolution.y);
    }
    // The page's origin is the printable area's corner, as on a printer's device context.
    const DeviceCaps caps = m_setup.caps();
    m_painter->translate(caps.offsetX, caps.offsetY);
    m_dc.attach(m_painter.get());
}

bool PdfPageWriter::startPage(std::string* error)
{
    if (!m_writer) {
        *error = "no document is open";
        return false;
    }
    if (m_inPage) {
        *error = "a page is already open";
        return false;
    }
    if (!m_painter) {
        // Beginning the painter opens the first page.
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_writer.get())) {
            m_painter.reset();
            *error = "cannot start the PDF document";
            return false;
        }
    } else if (!m_writer->newPage()) {
        *error = "cannot start a new PDF page";
        return false;
    }
    attachPainter();
    m_inPage = true;
    return true;
}

bool PdfPageWriter::endPage(std::string* error)
{
    if (!m_inPage) {
        *error = "no page is open";
        return false;
    }
    m_dc.attach(nullptr);
    m_inPage = false;
    ++m_pages;
    return true;
}

bool PdfPageWriter::close(std::string* error)
{
    if (!m_writer) {
        *error = "no document is open";
        return false;
    }
    m_dc.attach(nullptr);
    m_inPage = false;
    bool ok = true;
    if (m_painter) {
        ok = m_painter->end();
        m_painter.reset();
    }
    m_writer.reset();
    if (!m_file->flush() || m_file->error() != QFileDevice::NoError) {
        ok = false;
    }
    const std::string fileError = m_file->errorString().toStdString();
    m_file->close();
    m_file.reset();
    if (!ok) {
        *error = "writing the PDF failed: " + fileError;
    }
    return ok;
}

void PdfPageWriter::discard()
{
    m_dc.attach(nullptr);
    m_inPage = false;
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
    m_writer.reset();
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
}

} // namespace platform::draw
