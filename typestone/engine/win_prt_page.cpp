// The document and its pages.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/win_prt.h"

namespace typestone {

bool CWinPrt::StartPage()
{
    if (IsPageStarted())
        EndPage();
    if (!IsDocStarted() || !m_device) {
        showError("StartPage attempted when already stopped...");
        return false;
    }
    if (!noPrinter() && !m_device->startPage()) {
        setPageState(PageState::BetweenPages);
        showError("StartPage() " + m_device->errorText());
        return false;
    }
    beginPdfPage();
    ++m_nPages;
    setPageState(PageState::PageOpen);
    m_cursor.m_x = m_cursor.m_y = 0;
    m_pFMap->PageStart();
    // A failed action ends the playback of this page, not the page.
    PlayPageActions(m_nPages);
    return true;
}

bool CWinPrt::EndPage()
{
    if (!IsPageStarted())
        return true;
    setPageState(PageState::BetweenPages);
    // The page's last text goes out on the printer and into the PDF capture alike.
    m_pFMap->PageEnd();
    if (!m_device) {
        endPdfPage();
        showError("StopPrtJob attempted when already stopped...");
        return false;
    }
    bool ok = true;
    if (!noPrinter() && !m_device->endPage()) {
        showError("EndPage() " + m_device->errorText());
        ok = false;
    }
    endPdfPage();
    return ok;
}

bool CWinPrt::NewPage(bool eject)
{
    if (IsPlaying4Page()) {
        // Refused, not failed: a recorded action must not break the page it belongs to.
        Trace(kTrzJobs, "\nCWinPrt::NewPage()- Do NOT allow NewPage() while 'm_bPlaying4Page' [OUT]");
        return true;
    }
    if (eject) {
        if (m_pageState != PageState::PageOpen && m_pageState != PageState::AutoEjected && !StartPage())
            return false;
        if (m_pageState == PageState::AutoEjected)
            setPageState(PageState::BetweenPages);
    }
    return IsPageStarted() ? EndPage() : true;
}

} // namespace typestone
