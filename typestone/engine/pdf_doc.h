#pragma once
// CPDFDoc: the PDF document a job writes beside (or instead of) its printer pages. Each page is
// captured as a white image of the PDF page at the printer's resolution, which receives every
// drawing call the printer's page receives (through a tee of the two Dcs), and becomes one image
// page of the PDF when the page ends; the capture is then freed, so a long document holds no
// page images in memory.

#include "platform/draw/capture_dc.h"
#include "platform/pdf/image_pdf_document.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace typestone {

struct PdfPageSize
{
    double width = 0; // points
    double height = 0;
    bool operator==(const PdfPageSize&) const = default;
};

class CPDFDoc
{
public:
    // m_wPDFDocFlags: bit 0 the printer gets no pages; bits 4-11 the paper (0x010 A3, 0x020 A5,
    // 0x030 A6, anything else A4); landscape when the whole word lies in 0x1000..0x1FFF.
    static constexpr uint16_t NO_PRINTER = 0x0001;

    using TraceSink = std::function<void(const std::string&)>;
    explicit CPDFDoc(TraceSink trace = {});
    // An unfinished document is dropped: its file is not written.
    ~CPDFDoc();
    CPDFDoc(const CPDFDoc&) = delete;
    CPDFDoc& operator=(const CPDFDoc&) = delete;

    // The paper the flags give, in points, turned for landscape.
    static PdfPageSize PageSizeFor(uint16_t flags);

    // 0 success, 2 failure (the file cannot be made). `fileName`: an absolute local name.
    int BeginDocument(const std::string& fileName, uint16_t flags);
    // Begins a page of the document's paper and its capture at the resolution of `printer`:
    // 0 success, 1 no document, 2 the page could not be begun.
    int BeginPageExt(const platform::draw::Dc& printer);
    // Writes the captured page; nothing happens when no page was begun.
    void EndPageExt();
    // Writes the document and moves it into place; false (traced) when it cannot be.
    bool EndDocument();
    // Drops the document without writing it.
    void AbortDocument();

    bool StartCapture(const platform::draw::Dc& printer);
    bool StopCapture();

    // The capture's Dc while a page is captured, else null.
    platform::draw::Dc* CaptureDc() const { return m_bStartCaptureOK ? m_capture.get() : nullptr; }
    bool IsPageBegun() const { return m_doc.inPage(); }
    bool NoPrinter() const { return (m_wPDFDocFlags & NO_PRINTER) != 0; }
    uint16_t Flags() const { return m_wPDFDocFlags; }
    const std::string& FileName() const { return m_szPDFDocName; }
    // Pages ended in the document so far.
    int PageCount() const { return m_doc.pageCount(); }
    std::string ErrorText() const { return m_doc.errorText(); }

private:
    void trace(const std::string& text) const;

    TraceSink m_trace;
    std::string m_szPDFDocName;
    uint16_t m_wPDFDocFlags = 0;
    platform::pdf::ImagePdfDocument m_doc;
    double m_widthpage = 0;
    double m_heightpage = 0;
    std::unique_ptr<platform::draw::CaptureDc> m_capture;
    bool m_bStartCaptureOK = false;
};

} // namespace typestone
