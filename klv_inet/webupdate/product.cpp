#include "klv_inet/webupdate/product.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/date_version_format.h"
#include "klv_inet/support/library_text.h"
#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_product.h"
#include "klv_inet/support/text_compare.h"
#include "klv_inet/webupdate/debug_ask.h"
#include "klv_inet/webupdate/ini_file.h"
#include "klv_inet/webupdate/kdr_inet_obj.h"
#include "klv_inet/webupdate/web_settings.h"
#include "klv_inet/webupdate/web_strings.h"

#include "platform/fileio/file_ops.h"
#include "platform/ui/message_box.h"

#include <cctype>
#include <cstring>
#include <ctime>

namespace {

constexpr const char* kStatusNames[] = {"Prompt",     "Downloading", "Downloaded",
                                        "Installing", "Complete",    "Refused"};
constexpr const char* kPlatformNames[] = {"Windows", "VALDOR"};

bool fileHasBytes(const std::string& path)
{
    const platform::fileio::FileInfo info = platform::fileio::fileInfo(path);
    return info.exists && info.regular && info.size > 0;
}

// The day of a "d-m-y" text (read from the right) as a date text; the text itself when it
// has fewer than two '-'.
std::string dateText(const std::string& value)
{
    const auto d2 = value.rfind('-');
    if (d2 == std::string::npos || d2 == 0)
        return value;
    const auto d1 = value.rfind('-', d2 - 1);
    if (d1 == std::string::npos)
        return value;
    std::tm t{};
    t.tm_year = std::atoi(value.c_str() + d2 + 1) - 1900;
    t.tm_mon = std::atoi(value.substr(d1 + 1, d2 - d1 - 1).c_str()) - 1;
    t.tm_mday = std::atoi(value.substr(0, d1).c_str());
    t.tm_isdst = -1;
    const time_t when = std::mktime(&t);
    if (when == time_t(-1))
        return value;
    std::string out;
    return FmtDateStr(when, out, 1);
}

std::string versionText(uint32_t v)
{
    std::string out;
    return FmtVersionStr(v, out);
}

} // namespace

CProduct::CProduct(const char* application, const char* name, const char* updateFile, CKDRInetObj* owner)
{
    Setup(application);
    m_szName = name ? name : "";
    m_pOwner = owner;
    RetrieveData(updateFile);
}

CProduct::CProduct(const char* application)
{
    Setup(application);
}

CProduct::~CProduct()
{
    delete m_pDlg;
}

void CProduct::Setup(const char* application)
{
    m_szApplication = application && *application ? application : GetAppName();
    m_szName.clear();
    m_nSize = m_nUpdVersion = m_nCurrVersion = 0;
    m_bChosen = m_nDLoadResult = 0;
    m_nStatus = Prompt;
    m_nPlatform = Windows;
    m_bDownloading = 0;
    m_pOwner = nullptr;
    m_bAskedContinueDownload = m_bAskedInstall = 0;
}

const char* CProduct::StatusName(uint32_t status)
{
    return kStatusNames[status <= Refused ? status : Prompt];
}

uint32_t CProduct::StatusFromName(const std::string& name)
{
    for (uint32_t i = 0; i <= Refused; ++i)
        if (klv::equalsNoCase(name, kStatusNames[i]))
            return i;
    return Prompt;
}

const char* CProduct::GetProdType()
{
    if (m_nPlatform > VALDOR)
        m_nPlatform = Windows;
    return kPlatformNames[m_nPlatform];
}

namespace {

std::string loadText(const CProduct& p, const char* name)
{
    char buf[200] = {};
    uint32_t size = sizeof buf;
    if (!GetProductEntry(p.m_szName.c_str(), name, buf, &size, p.m_szApplication.c_str()))
        return {};
    return std::string(buf, strnlen(buf, sizeof buf));
}

uint32_t loadNumber(const CProduct& p, const char* name)
{
    uint32_t v = 0;
    uint32_t size = sizeof v;
    if (!GetProductEntry(p.m_szName.c_str(), name, &v, &size, p.m_szApplication.c_str()) || size != sizeof v)
        return 0;
    return v;
}

void saveText(const CProduct& p, const char* name, const std::string& text)
{
    SetProductEntry(p.m_szName.c_str(), name, text.c_str(), uint32_t(text.size()), KLV_REG_SZ,
                    p.m_szApplication.c_str());
}

void saveNumber(const CProduct& p, const char* name, uint32_t v)
{
    SetProductEntry(p.m_szName.c_str(), name, &v, sizeof v, KLV_REG_DWORD, p.m_szApplication.c_str());
}

} // namespace

void CProduct::LoadProduct()
{
    if (m_szName.empty())
        return;
    m_nUpdVersion = loadNumber(*this, "Version");
    m_szDate = loadText(*this, "Date");
    m_nSize = loadNumber(*this, "Size");
    m_szDownload = loadText(*this, "Download");
    m_szRelNotes = loadText(*this, "Release Notes");
    m_szDescription = loadText(*this, "Description");
    m_szSha256 = loadText(*this, "SHA256");
    m_nStatus = StatusFromName(loadText(*this, "Upgrade Status"));
    const std::string platform = loadText(*this, "Platform");
    if (klv::equalsNoCase(platform, "VALDOR"))
        m_nPlatform = VALDOR;
    else if (klv::equalsNoCase(platform, "Windows"))
        m_nPlatform = Windows;
    const std::string country = loadText(*this, "Country");
    if (!country.empty())
        m_szCountry = country;
}

void CProduct::SaveProduct() const
{
    if (m_szName.empty())
        return;
    saveNumber(*this, "Version", m_nUpdVersion);
    saveText(*this, "Date", m_szDate);
    saveNumber(*this, "Size", m_nSize);
    saveText(*this, "Download", m_szDownload);
    saveText(*this, "Release Notes", m_szRelNotes);
    saveText(*this, "Description", m_szDescription);
    saveText(*this, "SHA256", m_szSha256);
    SaveStatus();
    saveText(*this, "Platform", kPlatformNames[m_nPlatform <= VALDOR ? m_nPlatform : Windows]);
    saveText(*this, "Country", m_szCountry);
}

void CProduct::SaveStatus() const
{
    if (!m_szName.empty())
        saveText(*this, "Upgrade Status", StatusName(m_nStatus));
}

void CProduct::ChangeStatus(uint32_t status)
{
    m_nStatus = status;
    SaveStatus();
}

void CProduct::ResetStatus(const char* product, const char* application)
{
    klv::resetProductStatus(product, application);
}

int CProduct::RetrieveData(const char* updateFile)
{
    LoadProduct();
    _RetrieveData(updateFile);
    m_nCurrVersion = LoadPLMProductVersion(m_szName.c_str(), GetProdType());
    // Versions of 10000 and more count in ten-thousandths; bring both to the same scale.
    if (m_nCurrVersion < 10000 && m_nUpdVersion >= 10000)
        m_nCurrVersion *= 100;
    else if (m_nCurrVersion >= 10000 && m_nUpdVersion < 10000)
        m_nUpdVersion *= 100;
    SetupLocalName(m_szDownload);
    if (CKDRInetObj::IsDebugging()) {
        if (m_nUpdVersion != 0 && m_nUpdVersion <= m_nCurrVersion &&
            klv::debugAsk(m_szName + "- (Last=" + std::to_string(m_nUpdVersion) +
                          ", Curr=" + std::to_string(m_nCurrVersion) + ")\nSimulate CurrVer=0 ?"))
            m_nCurrVersion = 0;
        if (m_nStatus != Prompt && klv::debugAsk(m_szName + "- UpgrStatus=" + StatusName(m_nStatus) +
                                                 "-> prompt user again anyway ?"))
            m_nStatus = Prompt; // for this run only
        m_bChosen = !UserRefused();
    }
    unsigned long code = 0;
    if (LoadDLoadData(&code))
        Post_Rcode(unsigned(code));
    return 1;
}

int CProduct::_RetrieveData(const char* updateFile)
{
    const std::string prefix = klv::updateKeyboardCode().find("SP") != std::string::npos ? "SP_" : "US_";
    if (!updateFile || !*updateFile || !fileHasBytes(updateFile))
        return 0;
    const std::optional<klv::IniFile> file = klv::IniFile::load(updateFile);
    if (!file)
        return 0;
    const std::string& s = m_szName;
    const uint32_t version = file->number(s, "version");
    if (version != m_nUpdVersion) {
        m_nUpdVersion = version;
        ChangeStatus(Prompt);
    }
    m_bChosen = !UserRefused();
    if (const std::string date = file->value(s, "date"); !date.empty())
        m_szDate = dateText(date);
    m_nSize = file->number(s, "size");
    auto take = [&](const std::string& key, std::string& member) {
        if (std::string v = file->value(s, key); !v.empty())
            member = std::move(v);
    };
    take("download", m_szDownload);
    take(prefix + "relnotes", m_szRelNotes);
    take(prefix + "description", m_szDescription);
    std::string sha = file->value(s, "sha256");
    for (char& c : sha)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    m_szSha256 = sha;
    const std::string platform = file->value(s, "platform");
    if (klv::equalsNoCase(platform, "Windows"))
        m_nPlatform = Windows;
    else if (klv::equalsNoCase(platform, "VALDOR"))
        m_nPlatform = VALDOR;
    m_szCountry = file->value(s, "country", "all");
    SetCountryAvailability();
    return 1;
}

int CProduct::SetCountryAvailability()
{
    const std::string code = klv::updateKeyboardCode();
    if (!m_szCountry.empty() && m_szCountry[0] == '!')
        m_bAvailable = !klv::equalsNoCase(m_szCountry, "!" + code);
    else
        m_bAvailable = klv::equalsNoCase(m_szCountry, "All") || klv::equalsNoCase(m_szCountry, code);
    if (!m_bAvailable && CKDRInetObj::IsDebugging())
        m_bAvailable = klv::debugAsk("(" + m_szName + ")\nCurrent kbd='" + code + "': prod country is '" +
                                     m_szCountry + "'->NO.\nOk to allow to update it ?");
    return m_bAvailable;
}

bool CProduct::IsProductAvailable() const
{
    if (!(m_nCurrVersion < m_nUpdVersion && m_bAvailable))
        return false;
    if (m_nPlatform == Windows)
        return true;
    if (!CKDRInetObj::IsDebugging())
        return false;
    if (m_nDebugPlatformAnswer < 0) {
        const std::string platform =
            m_nPlatform == VALDOR ? "VALDOR" : "Unknown (" + std::to_string(m_nPlatform) + ") platform";
        m_nDebugPlatformAnswer =
            klv::debugAsk(m_szName + " is a '" + platform +
                          "' product (and cannot be automatically installed)\nOK to allow "
                          "download it anyway ?");
    }
    return m_nDebugPlatformAnswer == 1;
}

bool CProduct::Need2Download(int confirmed)
{
    using namespace platform::ui;
    if (!IsProductAvailable()) {
        ChangeStatus(Prompt);
        return false;
    }
    if (confirmed && m_bChosen)
        return true;
    if (m_nStatus != Downloading)
        return false;
    if (m_bAskedContinueDownload)
        return true;
    m_bAskedContinueDownload = 1;
    const int answer = klv::libraryMessage(
        klv::formatLibraryString(klv::webstr::kContinueDownload, {versionText(m_nUpdVersion), m_szName}),
        kMbYesNo | kMbIconQuestion);
    if (answer == kIdYes)
        return true;
    if (answer == kIdNo) {
        CleanUp(0);
        ChangeStatus(Refused);
    }
    return false; // unanswered: asked again next time
}

bool CProduct::Need2Install(int prompt)
{
    using namespace platform::ui;
    if (!IsProductAvailable()) {
        ChangeStatus(Prompt);
        CleanUp(0);
        return false;
    }
    const std::string version = versionText(m_nUpdVersion);
    std::string question;
    if (m_nStatus == Downloaded)
        question = klv::formatLibraryString(klv::webstr::kInstallNow,
                                            {version, m_szName, m_szName, version, m_szName});
    else if (m_nStatus == Installing && fileHasBytes(m_szLocalFile))
        question = klv::formatLibraryString(klv::webstr::kContinueInstall, {version, m_szName});
    if (question.empty()) {
        CleanUp(0);
        return false;
    }
    if (!m_bAskedInstall && prompt) {
        m_bAskedInstall = 1;
        const int answer = klv::libraryMessage(question, kMbYesNo | kMbIconQuestion);
        if (answer == kIdNo) {
            ChangeStatus(Refused);
            CleanUp(0);
            return false;
        }
        if (answer != kIdYes)
            return false;
    }
    return true;
}
