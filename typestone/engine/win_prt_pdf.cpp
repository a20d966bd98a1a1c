// The job's PDF document: its pages follow the printer's, captured through a tee of the Dcs.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/pdf_doc.h"
#include "typestone/engine/win_prt.h"

#include "platform/draw/tee_dc.h"

namespace typestone {

bool CWinPrt::noPrinter() const
{
    return m_pPDFDoc && m_pPDFDoc->NoPrinter();
}

bool CWinPrt::BeginPdfDocument(uint16_t flags, const std::string& hostName)
{
    if (hostName.empty() || hostName.size() > kMaxHostName) {
        Trace(kTrzAlways, "\nPDFDocument: the file name is empty or longer than %u characters",
              unsigned(kMaxHostName));
        return false;
    }
    // A second document ends the first one properly: its pages are kept, its open page is
    // written as far as it was drawn.
    if (m_pPDFDoc)
        endPdfDocument(true);
    const std::string local = localOutputFor(hostName, "PDFDocument", m_jobName);
    if (local.empty())
        return false;
    auto doc = std::make_unique<CPDFDoc>([this](const std::string& text) { Trace(kTrzAlways, "%s", text); });
    if (doc->BeginDocument(local, flags) != 0)
        return false;
    Trace(kTrzJobs, "\nPDFDocument: '%s' goes to '%s' (flags 0x%04x)", hostName, local, unsigned(flags));
    m_pPDFDoc = std::move(doc);
    return true;
}

void CWinPrt::beginPdfPage()
{
    if (!m_pPDFDoc || !m_device)
        return;
    platform::draw::Dc& printer = *m_device->dc();
    if (m_pPDFDoc->BeginPageExt(printer) != 0)
        return;
    if (platform::draw::Dc* capture = m_pPDFDoc->CaptureDc()) {
        m_tee = std::make_unique<platform::draw::TeeDc>(printer, *capture);
        m_pFMap->SetDc(m_tee.get());
    }
}

void CWinPrt::endPdfPage()
{
    if (m_tee) {
        m_pFMap->SetDc(m_device ? m_device->dc() : nullptr);
        m_tee.reset();
    }
    // A document opened in the middle of a page began no PDF page for it: nothing to end.
    if (m_pPDFDoc)
        m_pPDFDoc->EndPageExt();
}

bool CWinPrt::endPdfDocument(bool write)
{
    if (m_tee) {
        m_pFMap->SetDc(m_device ? m_device->dc() : nullptr);
        m_tee.reset();
    }
    std::unique_ptr<CPDFDoc> doc = std::move(m_pPDFDoc);
    if (!doc)
        return true;
    if (!write) {
        doc->AbortDocument();
        Trace(kTrzJobs, "\nPDFDocument: '%s' dropped", doc->FileName());
        return true;
    }
    const int pages = doc->PageCount() + (doc->IsPageBegun() ? 1 : 0);
    if (doc->EndDocument()) {
        Trace(kTrzJobs, "\nPDFDocument: '%s' written, %d page(s)", doc->FileName(), pages);
        return true;
    }
    // A document that never saw a page has nothing to lose; one with pages does.
    if (pages == 0)
        return true;
    showError("PDFDocument: " + doc->ErrorText());
    return false;
}

} // namespace typestone
