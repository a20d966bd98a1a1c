// CKDRInetObj: life cycle, workers, the query lock and the query's update file.

#include "klv_inet/webupdate/kdr_inet_obj.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/file_copy.h"
#include "klv_inet/support/library_text.h"
#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/msg_dlg_ids.h"
#include "klv_inet/support/msg_strings.h"
#include "klv_inet/support/reg_updates.h"
#include "klv_inet/support/work4wts.h"
#include "klv_inet/webupdate/debug_ask.h"
#include "klv_inet/webupdate/host_entry.h"
#include "klv_inet/webupdate/http_transfer.h"
#include "klv_inet/webupdate/ini_file.h"
#include "klv_inet/webupdate/product.h"
#include "klv_inet/webupdate/web_strings.h"

#include "platform/sync/named_lock.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <ctime>

int CKDRInetObj::m_bDebug = 0;

namespace {

constexpr std::chrono::milliseconds kLockWait(10);

std::string lockName(const std::string& app)
{
    return app + "_WININET_SEMA";
}

} // namespace

CKDRInetObj::CKDRInetObj(const char* app, uint16_t version, int debug, const char* notifyAddress,
                         const char* updateFileUrl, const char* updateFilePath)
{
    DfltSetup(app, version, notifyAddress, debug);
    if (updateFileUrl && *updateFileUrl)
        m_szUpdateFileUrl = updateFileUrl;
    if (updateFilePath && *updateFilePath)
        m_szUpdateFilePath = updateFilePath;
}

CKDRInetObj::CKDRInetObj(const char* app, const char* url, uint16_t version, unsigned long expectedSize,
                         const char* localFile, CMsgDlg* dialog, int reserved, int debug,
                         const char* notifyAddress)
{
    DfltSetup(app, version, notifyAddress, debug);
    m_nReserved = reserved;
    m_szURL = url ? url : "";
    m_szLocalFile = localFile ? localFile : "";
    m_dwExpectedSize = expectedSize;
    m_pDownloadDlg = dialog;
}

void CKDRInetObj::DfltSetup(const char* app, uint16_t version, const char* notifyAddress, int debug)
{
    m_window = std::make_unique<QObject>();
    m_window->setObjectName("KDRInetObjWindow");
    m_szApplication = app && *app ? app : GetAppName();
    m_lock = std::make_unique<platform::sync::NamedLock>(lockName(m_szApplication));
    m_nVersion = version;
    m_szNotifyAddress = notifyAddress && *notifyAddress ? notifyAddress : "";
    m_bBackground = 1;
    SetDebug(debug);
    m_settings = klv::WebUpdateSettings::load(m_szApplication.c_str());
}

CKDRInetObj::~CKDRInetObj()
{
    // Workers first: they use the products, the dialogs and the lock.
    m_stop = true;
    if (m_queryThread.joinable())
        m_queryThread.join();
    std::vector<std::thread> downloads;
    {
        std::lock_guard lock(m_threadsMutex);
        downloads.swap(m_downloadThreads);
    }
    for (std::thread& t : downloads)
        t.join();
    releaseLock();
    delete m_pDownloadDlg;
    delete m_pQueryDlg;
    CleanProdList(1);
    m_window.reset(); // queued calls still pending for it are dropped with it
}

bool CKDRInetObj::Configured() const
{
    return !m_settings.postingUrl.empty() && (!m_szUpdateFileUrl.empty() || !m_settings.updateRoot.empty());
}

void CKDRInetObj::releaseLock()
{
    if (m_lock)
        m_lock->unlock();
}

int CKDRInetObj::QueryWeb4Update()
{
    // A new query rebuilds the product list, which running downloads still use.
    if (m_bQuerying || m_queryThread.joinable() || m_runningDownloads > 0)
        return 0;
    if (!Configured()) {
        klv::libraryMessage(klv::messageString(klv::webstr::kNotConfigured),
                            platform::ui::kMbOk | platform::ui::kMbIconInformation);
        return 0;
    }
    m_bQuerying = true;
    if (!m_pQueryDlg) {
        CMsgDlgOptions o;
        o.templateId = klv::msgdlg::kTemplateUpdateSearch;
        o.title = m_szApplication.c_str();
        o.libraryResources = true;
        m_pQueryDlg = new CMsgDlg(o);
    }
    m_bBackground = 0;
    m_queryThread = std::thread([this] { WebQuery(this); });
    return 1;
}

bool CKDRInetObj::StartBackgroundQuery()
{
    if (m_bQuerying || m_queryThread.joinable() || m_runningDownloads > 0 || !Configured())
        return false;
    m_bBackground = 1;
    m_queryThread = std::thread([this] { WebQuery(this); });
    return true;
}

unsigned CKDRInetObj::WebQuery(CKDRInetObj* obj)
{
    if (!obj)
        return 1;
    if (!obj->Configured())
        return kQueryNotConfigured;
    if (!obj->m_lock->tryLock(kLockWait)) {
        // Another query of this application runs; a foreground query's mark and dialog end here.
        QMetaObject::invokeMethod(
            obj->m_window.get(),
            [obj] {
                if (obj->m_queryThread.joinable())
                    obj->m_queryThread.join();
                obj->m_bQuerying = false;
                delete obj->m_pQueryDlg;
                obj->m_pQueryDlg = nullptr;
            },
            Qt::QueuedConnection);
        return kQueryBusy;
    }
    obj->GetUpdateFile();
    QMetaObject::invokeMethod(
        obj->m_window.get(), [obj] { obj->OnWebQueryEnd(obj); }, Qt::QueuedConnection);
    return unsigned(obj->m_nLastResult);
}

void CKDRInetObj::OnWebQueryEnd(CKDRInetObj* obj)
{
    if (!obj)
        return;
    if (m_queryThread.joinable())
        m_queryThread.join();
    obj->m_bQuerying = false;
    delete m_pQueryDlg;
    m_pQueryDlg = nullptr;
    DoProdUpdate();
}

void CKDRInetObj::DoProdUpdate()
{
    _DoProdUpdate();
    releaseLock();
}

bool CKDRInetObj::IsWebAvailable() const
{
    return Configured() && !m_bQuerying && !m_queryThread.joinable() &&
           IsWebAvailable(m_dwConfig, m_szApplication.c_str());
}

bool CKDRInetObj::IsWebAvailable(unsigned long config, const char* app)
{
    if (!(config & kCfgWebAvailable))
        return false;
    const std::string name = app && *app ? app : GetAppName();
    platform::sync::NamedLock probe(lockName(name));
    if (!probe.tryLock(kLockWait))
        return false;
    probe.unlock();
    return true;
}

void CKDRInetObj::SetupData(const char* file, const char* url, const char* dir, unsigned long expectedSize)
{
    m_dwExpectedSize = expectedSize;
    delete m_pDownloadDlg; // the update file is fetched without a dialog
    m_pDownloadDlg = nullptr;
    m_szURL = std::string(url ? url : "") + (file ? file : "");
    if (dir && *dir) {
        m_szLocalFile = dir;
    } else if (file && *file) {
        const std::string f = file;
        const auto slash = f.rfind('/');
        const std::string temp = GetSessionTempPath();
        m_szLocalFile =
            temp.empty() ? std::string() : temp + (slash == std::string::npos ? f : f.substr(slash + 1));
    } else {
        m_szLocalFile.clear();
    }
    m_dwRequestFlags = 0x20000000;
}

int CKDRInetObj::Need2QueryUpdate(const char* file, const char* url)
{
    if (m_bBackground && !WebQueryAuthorized())
        return 0;
    const std::string name = std::string(url ? url : "") + (file ? file : "");
    time_t last = 0;
    if (!GetLastUpdateQuery(name.c_str(), &last, m_szApplication.c_str()))
        return 1;
    const int64_t seconds = int64_t(std::time(nullptr)) - int64_t(last);
    // A time a little ahead (a clock set back) counts as recent; one more than a day ahead
    // cannot be right and must not stop the queries for ever.
    int need = 0;
    if (seconds < 0)
        need = -seconds > 24 * 3600 ? 1 : 0;
    else
        need = seconds / 3600 < 24 ? 0 : 1;
    if (!need && m_bDebug &&
        klv::debugAsk(klv::formatLibraryString(klv::webstr::kQueryAgain,
                                               {std::to_string(seconds < 0 ? 0 : seconds / 3600)})))
        need = 1;
    return need;
}

int CKDRInetObj::GetUpdateFile(const char* file, const char* url, const char* dir, int force, int fresh)
{
    SetupData(file, url, dir, 0);
    if (!force && !Need2QueryUpdate(file, url)) {
        m_nLastResult = 0;
        return 0;
    }
    if (m_szLocalFile.empty()) {
        m_nLastResult = klv::kDlFileErrorBase;
        return 0;
    }
    std::string error;
    // The update file is a small text: no more than its reader takes.
    m_nLastResult =
        Download_Inet_File(m_szURL.c_str(), m_szLocalFile.c_str(), m_dwExpectedSize, error, nullptr, nullptr,
                           fresh, m_dwRequestFlags, &m_stop, klv::IniFile::kMaxBytes);
    if (m_nLastResult != 0)
        return 0;
    SaveLastUpdateQuery(m_szURL.c_str(), m_szApplication.c_str());
    return 1;
}

int CKDRInetObj::GetUpdateFile()
{
    std::string url, file;
    if (!m_szUpdateFileUrl.empty()) {
        url = m_szUpdateFileUrl;
    } else {
        url = m_settings.updateRoot;
        file = "update.txt";
    }
    const char* dir = m_szUpdateFilePath.empty() ? nullptr : m_szUpdateFilePath.c_str();
    const int ok =
        GetUpdateFile(file.empty() ? nullptr : file.c_str(), url.c_str(), dir, m_bBackground == 0, 1);
    if (ok && m_bDebug && klv::debugAsk("Overwrite Update file ?")) {
        platform::ui::TextQuestion q;
        q.prompt = "Update file to use instead of '" + m_szLocalFile + "':";
        q.initial = "/";
        q.maxLength = 4096;
        q.timeoutMs = klv::kMessageTimeoutMs;
        if (const std::optional<std::string> chosen = platform::ui::bridge().askText(q);
            chosen && !chosen->empty())
            AuxCopyFile(chosen->c_str(), m_szLocalFile.c_str(), nullptr, _COPY_SHOWMSG);
    }
    if (ok) {
        const std::optional<klv::IniFile> ini = klv::IniFile::load(m_szLocalFile);
        const std::string second = ini ? ini->value("General_PLM", "KLV_Update") : std::string();
        if (!second.empty() && klv::isHttpUrl(second)) {
            // Appended to the first file; its failure leaves the first as it was.
            const std::string first = m_szLocalFile;
            const int lastResult = m_nLastResult;
            GetUpdateFile(nullptr, second.c_str(), first.c_str(), 1, 0);
            m_szLocalFile = first;
            m_nLastResult = lastResult;
        }
    }
    ProdFromUpdateFile(ok);
    return ok;
}

bool CKDRInetObj::IsDLoadingAnyProduct(std::string* list) const
{
    bool any = false;
    std::lock_guard lock(m_productsMutex);
    for (const CProduct* p : m_products) {
        if (p && p->m_bDownloading) {
            any = true;
            if (list)
                *list += "\n" + p->m_szName;
        }
    }
    return any;
}

bool CKDRInetObj::Check_B4_Exit()
{
    std::string list;
    if (!IsDLoadingAnyProduct(&list))
        return true;
    const int answer = klv::libraryMessage(
        klv::formatLibraryString(klv::webstr::kExitWhileDownloading, {list}),
        platform::ui::kMbYesNo | platform::ui::kMbIconWarning | platform::ui::kMbDefButton2);
    return answer == platform::ui::kIdYes;
}

void CKDRInetObj::SetHostData(const CHostEntry* maxVer, const CHostEntry* lastUsed,
                              const CHostEntry* mostUsed)
{
    m_hostMaxVer = maxVer ? std::make_unique<CHostEntry>(maxVer) : nullptr;
    m_hostLastUsed = lastUsed ? std::make_unique<CHostEntry>(lastUsed) : nullptr;
    m_hostMostUsed = mostUsed ? std::make_unique<CHostEntry>(mostUsed) : nullptr;
}

uint16_t CKDRInetObj::GetMaxVersion() const
{
    if (m_hostMaxVer && m_hostMaxVer->m_nVersion != 0 && m_hostMaxVer->m_nVersion < m_nVersion)
        return m_hostMaxVer->m_nVersion;
    return m_nVersion;
}

bool CKDRInetObj::WaitForDownloads(int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_runningDownloads > 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return m_runningDownloads == 0;
}
