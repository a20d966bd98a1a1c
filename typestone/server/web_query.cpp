// CTypestoneApp::DoWebQuery: the web update's query at start (and on demand).

#include "typestone/server/typestone_app.h"

#include "klv_inet/webupdate/kdr_inet_obj.h"

#include "platform/sync/named_lock.h"

#include <chrono>

namespace typestone {
namespace {

// Only the first running instance asks in the background. The lock is held for the life of
// the process, like the first-instance mark it stands for.
bool isFirstInstance()
{
    static platform::sync::NamedLock first("TYPESTONE_First");
    return first.tryLock(std::chrono::milliseconds(0));
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
    m_web.reset(); // cancels and joins the query and any download
}

} // namespace typestone
