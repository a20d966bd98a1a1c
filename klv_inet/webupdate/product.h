#pragma once
// One product of the maker: its entry in the update file joined with what the settings store
// remembers of it (upgrade status, installed version, an undelivered download result), the
// decisions whether to offer, download or install it, and the download and the check of the
// downloaded file. A downloaded product is never executed: it is checked against the update
// file and kept in a private folder for the user to install.

#include "klv_inet/support/klv_export.h"

#include <atomic>
#include <cstdint>
#include <string>

class CKDRInetObj;
class CMsgDlg;

class KLV_EXPORT CProduct
{
public:
    enum Status : uint32_t
    {
        Prompt = 0,
        Downloading = 1,
        Downloaded = 2,
        Installing = 3,
        Complete = 4,
        Refused = 5,
    };
    enum Platform : uint32_t
    {
        Windows = 0,
        VALDOR = 1,
    };

    CProduct(const char* application, const char* name, const char* updateFile, CKDRInetObj* owner);
    explicit CProduct(const char* application);
    virtual ~CProduct();
    CProduct(const CProduct&) = delete;
    CProduct& operator=(const CProduct&) = delete;

    void Setup(const char* application);
    int RetrieveData(const char* updateFile);
    int _RetrieveData(const char* updateFile);

    void LoadProduct();
    void SaveProduct() const;
    void SaveStatus() const;
    void ChangeStatus(uint32_t status);
    static void ResetStatus(const char* product, const char* application);
    static const char* StatusName(uint32_t status);
    static uint32_t StatusFromName(const std::string& name);

    bool PromptUser() const { return m_nStatus == Prompt; }
    bool UserRefused() const { return m_nStatus == Refused; }
    const char* GetProdType();

    int SetCountryAvailability();
    int IsAvailableFromThisCountry() const { return m_bAvailable; }

    bool IsProductAvailable() const;
    bool Need2Download(int confirmed);
    bool Need2Install(int prompt);

    int Download_Product(const std::atomic<bool>* stop = nullptr);
    int Post_Rcode(unsigned code);
    // Checks the downloaded file (size, SHA-256 when the update file gives one) and tells the
    // user where it is kept; 1 when it is kept, 0 otherwise.
    int Install_Product();

    int SetupLocalName(const std::string& url);
    void CleanUp(int offer);
    void SaveDLoadData(int delivered, unsigned long code);
    int LoadDLoadData(unsigned long* code);

    static void RemoveDownloadedFile(const char* application, const char* file, int offer);
    static void SaveDownloadedFileAs(const char* file, const char* application);

    // The folder downloaded products are kept in (private to the user).
    static std::string DownloadFolder();

    std::string m_szName;
    std::string m_szDate;
    uint32_t m_nSize = 0;
    std::string m_szDownload;
    std::string m_szRelNotes;
    std::string m_szDescription;
    std::string m_szSha256; // lower-case hex, empty when the update file gives none
    std::string m_szLocalFile;
    uint32_t m_nUpdVersion = 0;
    uint32_t m_nCurrVersion = 0;
    int m_bChosen = 0;
    int m_nDLoadResult = 0;
    CMsgDlg* m_pDlg = nullptr; // owned
    std::atomic<uint32_t> m_nStatus{Prompt};
    uint32_t m_nPlatform = Windows;
    std::atomic<int> m_bDownloading{0};
    std::string m_szCountry = "all";
    int m_bAvailable = 1;
    CKDRInetObj* m_pOwner = nullptr;
    std::string m_szApplication;
    int m_bAskedContinueDownload = 0;
    int m_bAskedInstall = 0;
    std::string m_szDLoadMsg;

private:
    mutable int m_nDebugPlatformAnswer = -1; // debug mode: the answer for another platform, once
};
