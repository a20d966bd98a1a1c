#include "typestone/engine/pdf_doc.h"

#include "typestone/engine/mul_div.h"

#include "platform/text/sprintf.h"

#include <cmath>
#include <utility>

namespace typestone {

CPDFDoc::CPDFDoc(TraceSink trace) : m_trace(std::move(trace)) {}

CPDFDoc::~CPDFDoc()
{
    AbortDocument();
}

void CPDFDoc::trace(const std::string& text) const
{
    if (m_trace)
        m_trace(text);
}

PdfPageSize CPDFDoc::PageSizeFor(uint16_t flags)
{
    PdfPageSize size;
    switch (flags & 0x0FF0) {
    case 0x010:
        size = {842, 1190}; // A3
        break;
    case 0x020:
        size = {421, 595}; // A5
        break;
    case 0x030:
        size = {297, 421}; // A6
        break;
    default:
        size = {595, 842}; // A4
        break;
    }
    if (flags >= 0x1000 && flags <= 0x1FFF)
        std::swap(size.width, size.height);
    return size;
}

int CPDFDoc::BeginDocument(const std::string& fileName, uint16_t flags)
{
    m_szPDFDocName = fileName;
    m_wPDFDocFlags = flags;
    if (!m_doc.beginDocument(fileName)) {
        trace(platform::text::sprintf("\nCPDFDoc::BeginDocument(): Error: %s\n", m_doc.errorText()));
        return 2;
    }
    m_doc.setInfo(platform::pdf::InfoField::Creator, "Typestone Server");
    m_doc.setInfo(platform::pdf::InfoField::Author, "Typestone");
    m_doc.setInfo(platform::pdf::InfoField::Title, "Typestone PDF Document");
    return 0;
}

int CPDFDoc::BeginPageExt(const platform::draw::Dc& printer)
{
    if (!m_doc.isOpen())
        return 1;
    const PdfPageSize size = PageSizeFor(m_wPDFDocFlags);
    m_widthpage = size.width;
    m_heightpage = size.height;
    if (!m_doc.beginPage(m_widthpage, m_heightpage)) {
        trace(platform::text::sprintf("\nCPDFDoc::BeginPageExt(): Error: %s\n", m_doc.errorText()));
        return 2;
    }
    StartCapture(printer);
    return 0;
}

bool CPDFDoc::StartCapture(const platform::draw::Dc& printer)
{
    StopCapture();
    const platform::draw::DeviceCaps caps = printer.caps();
    const int width = MulDiv(static_cast<int>(std::lround(m_widthpage)), caps.dpiX, 72);
    const int height = MulDiv(static_cast<int>(std::lround(m_heightpage)), caps.dpiY, 72);
    if (width <= 0 || height <= 0)
        return false;
    auto capture = std::make_unique<platform::draw::CaptureDc>(caps, width, height);
    if (!capture->isValid()) {
        trace(platform::text::sprintf("\nCPDFDoc::StartCapture(): no memory for a %d x %d page", width,
                                      height));
        return false;
    }
    if (capture->isScaled())
        trace(platform::text::sprintf("\nCPDFDoc::StartCapture(): a %d x %d page at %d x %d dpi is too "
                                      "large; captured at %.0f x %.0f dpi",
                                      width, height, caps.dpiX, caps.dpiY, capture->imageDpiX(),
                                      capture->imageDpiY()));
    capture->takeStateOf(printer);
    m_capture = std::move(capture);
    m_bStartCaptureOK = true;
    return true;
}

bool CPDFDoc::StopCapture()
{
    if (!m_bStartCaptureOK)
        return false;
    m_bStartCaptureOK = false;
    std::unique_ptr<platform::draw::CaptureDc> capture = std::move(m_capture);
    capture->finish();
    if (m_doc.inPage()) {
        const QImage& image = capture->image();
        // The capture's corner is the page's upper left corner.
        const double imageHeight = image.height() * 72.0 / capture->imageDpiY();
        if (!m_doc.fitImage(image, 0, m_heightpage - imageHeight, capture->imageDpiX(), capture->imageDpiY()))
            trace(platform::text::sprintf("\nCPDFDoc::FitImage(image==-1): Error: %s\n", m_doc.errorText()));
    }
    // The page's capture goes now: only the page being drawn is ever held.
    return true;
}

void CPDFDoc::EndPageExt()
{
    StopCapture();
    if (m_doc.inPage())
        m_doc.endPage();
}

bool CPDFDoc::EndDocument()
{
    if (!m_doc.isOpen())
        return false;
    EndPageExt();
    if (!m_doc.endDocument()) {
        trace(platform::text::sprintf("\nCPDFDoc::EndDocument(): Error: %s\n", m_doc.errorText()));
        return false;
    }
    return true;
}

void CPDFDoc::AbortDocument()
{
    m_bStartCaptureOK = false;
    m_capture.reset();
    m_doc.abortDocument();
}

} // namespace typestone
