// CTypestoneApp::DoWebQuery: the web update's query at start (and on demand).

#include "typestone/server/typestone_app.h"
#include "typestone/server/unsupp_dlg.h"

#include "klv_inet/webupdate/kdr_inet_obj.h"

#include "klv_inet/support/instances.h"

namespace typestone {
namespace {

// Only the first running instance asks in the background (the start-up took the mark already;
// asking again in the same process answers the same).
bool isFirstInstance()
{
    return IsFirstInstance("Typestone", 0, nullptr) != 0;
}

} // namespace

bool CTypestoneApp::DoWebQuery(bool background)
{
    if (background && !isFirstInstance())
        return false;
    if (!m_web) {
        m_web = std::make_unique<CKDRInetObj>("Typestone", uint16_t(kVersion / 100), 0, "");
        // Giving both addresses is what turns the update on; the daily query then asks.
        if (m_web->Configured())
            m_web->SetConfiguration(CKDRInetObj::kCfgBackgroundAuthorized | CKDRInetObj::kCfgWebAvailable);
    }
    if (background)
        return m_web->StartBackgroundQuery();
    return m_web->QueryWeb4Update() != 0;
}

void CTypestoneApp::EndWebQuery()
{
    SetUnsuppDlgWebUpdate({}); // no dialog asks the web update once it is gone
    m_web.reset();             // cancels and joins the query and any download
}

} // namespace typestone
