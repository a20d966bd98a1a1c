// The document and its pages.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/win_prt.h"

namespace typestone {

bool CWinPrt::StartPage()
{
    if (m_bPageStarted)
        EndPage();
    m_bAutoEjected = false;
    if (!m_bDocStarted || !m_device) {
        showError("StartPage attempted when already stopped...");
        return false;
    }
    if (!m_device->startPage()) {
        showError("StartPage() " + m_device->errorText());
        return false;
    }
    ++m_nPages;
    m_bPageStarted = true;
    m_x = m_y = 0;
    m_pFMap->PageStart();
    // Page actions recorded for this page are played here once recording exists.
    return true;
}

bool CWinPrt::EndPage()
{
    if (!m_bPageStarted)
        return true;
    m_bPageStarted = false;
    m_pFMap->PageEnd();
    if (!m_bDocStarted || !m_device) {
        showError("StopPrtJob attempted when already stopped...");
        return false;
    }
    if (!m_device->endPage()) {
        showError("EndPage() " + m_device->errorText());
        return false;
    }
    return true;
}

bool CWinPrt::NewPage(bool eject)
{
    if (m_bPlaying4Page) {
        // Refused, not failed: a recorded action must not break the page it belongs to.
        Trace(kTrzJobs, "\nCWinPrt::NewPage()- Do NOT allow NewPage() while 'm_bPlaying4Page' [OUT]");
        return true;
    }
    if (eject) {
        if (!m_bPageStarted && !m_bAutoEjected && !StartPage())
            return false;
        m_bAutoEjected = false;
    }
    return m_bPageStarted ? EndPage() : true;
}

} // namespace typestone
