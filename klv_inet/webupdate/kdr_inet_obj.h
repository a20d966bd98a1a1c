#pragma once
// The web-update client: asks the maker's update server for the update file, builds the list
// of installed products with newer versions, offers them, downloads the chosen ones each on a
// worker thread and reports the request and the results to the maker's form-posting URL.
//
// The object lives on the thread that creates it (the GUI or main thread with a Qt event
// loop). Its workers (the query and one per product download) report back only through
// queued calls to the object's hidden window, so dialogs, the start of downloads and the
// check of downloaded files run on the object's thread. One query per application runs at a
// time across processes, held by the lock "<app>_WININET_SEMA" from the query until the end
// of the offer. The destructor cancels and joins every worker before it frees anything.
//
// Nothing is asked until both settings of WebUpdateSettings are given.

#include "klv_inet/support/klv_export.h"
#include "klv_inet/webupdate/web_settings.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CHostEntry;
class CMsgDlg;
class CProduct;
class QObject;

namespace platform::sync {
class NamedLock;
}

class KLV_EXPORT CKDRInetObj
{
public:
    // Configuration bits.
    static constexpr unsigned long kCfgBackgroundAuthorized = 1;
    static constexpr unsigned long kCfgWebAvailable = 2;
    // Result of WebQuery when another query holds the lock, and when nothing is configured.
    static constexpr unsigned kQueryBusy = 3;
    static constexpr unsigned kQueryNotConfigured = 4;

    CKDRInetObj(const char* app, uint16_t version, int debug, const char* notifyAddress,
                const char* updateFileUrl = nullptr, const char* updateFilePath = nullptr);
    // One download of `url` into `localFile`, shown in `dialog` (owned from here on).
    CKDRInetObj(const char* app, const char* url, uint16_t version, unsigned long expectedSize,
                const char* localFile, CMsgDlg* dialog, int reserved, int debug, const char* notifyAddress);
    virtual ~CKDRInetObj();
    CKDRInetObj(const CKDRInetObj&) = delete;
    CKDRInetObj& operator=(const CKDRInetObj&) = delete;

    // Host application's operations.
    int QueryWeb4Update(); // foreground query; 0 when one runs already or none can
    void SetBackGround(int on) { m_bBackground = on; }
    // Background query on a worker thread owned by this object (what a server does at start).
    bool StartBackgroundQuery();
    static unsigned WebQuery(CKDRInetObj* obj); // the query thread's procedure
    bool IsWebAvailable() const;
    static bool IsWebAvailable(unsigned long config, const char* app = nullptr);
    bool IsWebQuerying() const { return m_bQuerying; }
    bool Check_B4_Exit();
    bool IsDLoadingAnyProduct(std::string* list) const;
    void SetConfiguration(unsigned long config) { m_dwConfig = config; }
    unsigned long GetConfiguration() const { return m_dwConfig; }
    bool WebQueryAuthorized() const { return (m_dwConfig & kCfgBackgroundAuthorized) != 0; }
    static void SetDebug(int on) { m_bDebug = on; }
    static int IsDebugging() { return m_bDebug; }
    int What2Download(int confirmed, unsigned long* totalSize, unsigned long* count);
    void SetHostData(const CHostEntry* maxVer, const CHostEntry* lastUsed, const CHostEntry* mostUsed);
    uint16_t GetMaxVersion() const;
    void DoProdUpdate();

    // Steps of the query, callable on their own.
    int GetUpdateFile();
    int GetUpdateFile(const char* file, const char* url, const char* dir, int force, int fresh);
    int Need2QueryUpdate(const char* file, const char* url);
    int ProdFromUpdateFile(int fromFile);
    void GetProducts();
    void SaveAppProdEntries();
    void LoadAppProdEntries();
    void CleanProdList(int deleteList);
    void _DoProdUpdate();

    // Transfers (inet_transfer.cpp). Download_Inet_File reports through `dialog` when given and
    // ends with -1 when its Cancel is pressed; `stop` (when given) cancels as well; an answer
    // larger than `maxBytes` (0: the transfer's own bound) is refused.
    static int Download_Inet_File(const char* url, const char* file, unsigned long expectedSize,
                                  std::string& error, const char* text, CMsgDlg* dialog, int fresh,
                                  unsigned long requestFlags, const std::atomic<bool>* stop = nullptr,
                                  uint64_t maxBytes = 0);
    int Post_Inet_Data(const char* body, const char* sender, const char* cgiUrl, const char* subjectFormat,
                       const char* tag);
    // Appends name=value (both form-encoded), preceded by '&' unless the body is empty.
    static void AddField(std::string& body, const char* name, const char* value, const char* extra = nullptr);
    static std::string Canonicalize(const std::string& text);
    void FormUserData(std::string& body);
    void LoadUserData();
    void SaveUserData() const;
    void GetPrivateUserData(int withProducts, int confirmed);
    int UpdateForm();
    int UpdateRequest(int confirmed) { return SubmitUpdateRequest(confirmed); }
    int SubmitUpdateRequest(int confirmed);
    int Post_Request(const char* sender, const char* cgiUrl, const char* subjectFormat, const char* tag);
    int Post_RCode(const char* product, unsigned code, const char* message, const char* sender,
                   const char* cgiUrl, const char* subjectFormat, const char* tag);
    // Download notices go out only after the user submitted the form to this object.
    bool FormSubmitted() const { return m_bFormSubmitted; }

    const std::string& Application() const { return m_szApplication; }
    uint16_t Version() const { return m_nVersion; }
    const klv::WebUpdateSettings& Settings() const { return m_settings; }
    void SetSettings(const klv::WebUpdateSettings& settings) { m_settings = settings; }
    bool Configured() const;
    const std::vector<CProduct*>& Products() const { return m_products; }
    const std::vector<std::string>& ProductNames() const { return m_productNames; }
    int LastResult() const { return m_nLastResult; }
    int Offer() const { return m_bOffer; }
    const std::string& LocalFile() const { return m_szLocalFile; }
    const std::string& PostedProducts() const { return m_szPr; }
    // Waits until every download worker has ended (at most `timeoutMs`); true when none runs.
    bool WaitForDownloads(int timeoutMs);

    // The user's data (section "License" of the application).
    std::string m_szName, m_szCompany, m_szEmail, m_szCity, m_szCountry;

private:
    void DfltSetup(const char* app, uint16_t version, const char* notifyAddress, int debug);
    void SetupData(const char* file, const char* url, const char* dir, unsigned long expectedSize);
    void OnWebQueryEnd(CKDRInetObj* obj);
    void OnProdDownload(CProduct* product);
    static unsigned Prod_DownLoad(CProduct* product);
    void startDownload(CProduct* product, int offset);
    void releaseLock();
    void postStoredNotices();
    void loadUserDataLocked();

    static int m_bDebug;

    std::unique_ptr<QObject> m_window; // the hidden window: queued calls land here
    std::string m_szLocalFile;
    std::string m_szURL;
    unsigned long m_dwExpectedSize = 0;
    int m_nReserved = 1;
    CMsgDlg* m_pDownloadDlg = nullptr; // owned
    unsigned long m_dwRequestFlags = 0x20000000;
    mutable std::mutex m_productsMutex; // the list itself (the query thread rebuilds it)
    std::vector<CProduct*> m_products;  // owned
    int m_nLastResult = 0;
    int m_bOffer = 0;
    std::string m_szUpdateFileUrl;
    std::string m_szUpdateFilePath;
    CMsgDlg* m_pQueryDlg = nullptr;
    std::atomic<bool> m_bQuerying{false};
    uint16_t m_nVersion = 0;
    unsigned long m_dwConfig = 0;
    std::unique_ptr<CHostEntry> m_hostMaxVer, m_hostLastUsed, m_hostMostUsed;
    std::vector<std::string> m_productNames;
    std::atomic<int> m_bBackground{1};
    std::string m_szApplication;
    std::string m_szNotifyAddress;
    std::string m_szPr;
    mutable std::mutex m_userMutex; // the user's data: download workers read it for their notices
    bool m_bFormSubmitted = false;
    klv::WebUpdateSettings m_settings;

    std::unique_ptr<platform::sync::NamedLock> m_lock; // taken by the query, released by the offer
    std::atomic<bool> m_stop{false};
    std::thread m_queryThread;
    mutable std::mutex m_threadsMutex;
    std::vector<std::thread> m_downloadThreads;
    std::atomic<int> m_runningDownloads{0};
};
