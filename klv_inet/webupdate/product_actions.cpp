// CProduct: the downloaded file, its download, its notification and its check.

#include "klv_inet/webupdate/product.h"

#include "klv_inet/support/date_version_format.h"
#include "klv_inet/support/file_copy.h"
#include "klv_inet/support/library_text.h"
#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_updates.h"
#include "klv_inet/webupdate/debug_ask.h"
#include "klv_inet/webupdate/kdr_inet_obj.h"
#include "klv_inet/webupdate/web_strings.h"

#include "platform/fileio/file_ops.h"
#include "platform/folders/folders.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <cstdio>
#include <cstring>

namespace {

bool fileHasBytes(const std::string& path)
{
    const platform::fileio::FileInfo info = platform::fileio::fileInfo(path);
    return info.exists && info.regular && info.size > 0;
}

// A name that is safe as one part of a path: [A-Za-z0-9._-] kept, every other byte '_', no
// leading dot, never empty, "." or "..", at most 100 bytes.
std::string cleanName(const std::string& name, const char* fallback)
{
    std::string out;
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                        c == '.' || c == '_' || c == '-';
        out += ok ? c : '_';
        if (out.size() >= 100)
            break;
    }
    while (!out.empty() && out.front() == '.')
        out.erase(0, 1);
    return out.empty() ? fallback : out;
}

std::string versionText(uint32_t v)
{
    std::string out;
    return FmtVersionStr(v, out);
}

std::string sha256Of(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        return {};
    return hash.result().toHex().toStdString();
}

} // namespace

std::string CProduct::DownloadFolder()
{
    const std::string dir = platform::folders::stateDir() + "/updates";
    return platform::folders::ensurePrivateDir(dir) ? dir + "/" : std::string();
}

int CProduct::SetupLocalName(const std::string& url)
{
    m_szLocalFile.clear();
    const QUrl u(QString::fromStdString(url), QUrl::StrictMode);
    if (url.empty() || !u.isValid())
        return 0;
    const std::string folder = DownloadFolder();
    if (folder.empty())
        return 0;
    // The product's name goes first, so two products that offer files of one name never
    // share a file.
    m_szLocalFile =
        folder + cleanName(m_szName, "product") + "-" + cleanName(u.fileName().toStdString(), "download");
    return 1;
}

void CProduct::CleanUp(int offer)
{
    RemoveDownloadedFile(m_szApplication.c_str(), m_szLocalFile.c_str(), offer);
}

void CProduct::SaveDLoadData(int delivered, unsigned long code)
{
    if (m_szName.empty())
        return;
    const char* app = m_szApplication.c_str();
    if (delivered) {
        RemoveProductEntry(m_szName.c_str(), "DLoad_RCode", app);
        RemoveProductEntry(m_szName.c_str(), "DLoad_Msg", app);
        return;
    }
    const uint32_t v = uint32_t(code);
    SetProductEntry(m_szName.c_str(), "DLoad_RCode", &v, sizeof v, KLV_REG_DWORD, app);
    SetProductEntry(m_szName.c_str(), "DLoad_Msg", m_szDLoadMsg.c_str(), uint32_t(m_szDLoadMsg.size()),
                    KLV_REG_SZ, app);
}

int CProduct::LoadDLoadData(unsigned long* code)
{
    uint32_t v = 0;
    uint32_t size = sizeof v;
    if (m_szName.empty() ||
        !GetProductEntry(m_szName.c_str(), "DLoad_RCode", &v, &size, m_szApplication.c_str()) ||
        size != sizeof v)
        return 0;
    char buf[200] = {};
    uint32_t msgSize = sizeof buf;
    if (GetProductEntry(m_szName.c_str(), "DLoad_Msg", buf, &msgSize, m_szApplication.c_str()))
        m_szDLoadMsg.assign(buf, strnlen(buf, sizeof buf));
    if (code)
        *code = v;
    m_nDLoadResult = int(v);
    return 1;
}

void CProduct::RemoveDownloadedFile(const char* application, const char* file, int offer)
{
    if (!file || !fileHasBytes(file))
        return;
    if (offer &&
        klv::libraryMessage(klv::formatLibraryString(468, {file}),
                            platform::ui::kMbYesNo | platform::ui::kMbIconQuestion) == platform::ui::kIdYes)
        SaveDownloadedFileAs(file, application);
    if (CKDRInetObj::IsDebugging() && !klv::debugAsk("Remove '" + std::string(file) + "' temporary file ?"))
        return;
    std::remove(file);
}

void CProduct::SaveDownloadedFileAs(const char* file, const char* application)
{
    if (!file || !*file)
        return;
    std::string folder;
    GetDownloadFolder(folder, application);
    if (folder.empty())
        folder = QDir::homePath().toStdString() + "/";
    const char* slash = std::strrchr(file, '/');
    platform::ui::TextQuestion q;
    q.prompt = klv::formatLibraryString(klv::webstr::kSaveCopyAs, {file});
    q.initial = folder + (slash ? slash + 1 : file);
    q.maxLength = 4096;
    q.timeoutMs = klv::kMessageTimeoutMs;
    const std::optional<std::string> target = platform::ui::bridge().askText(q);
    if (!target || target->empty())
        return;
    SaveDownloadFolder(target->c_str(), application);
    const int ok = AuxCopyFile(file, target->c_str(), nullptr, _COPY_SHOWMSG);
    klv::libraryMessage("Copy(" + std::string(file) + ", " + *target + ") -> " + (ok ? "OK" : "Error"),
                        platform::ui::kMbOk | platform::ui::kMbIconInformation);
}

int CProduct::Download_Product(const std::atomic<bool>* stop)
{
    ChangeStatus(Downloading);
    m_bDownloading = 1;
    std::string message;
    m_nDLoadResult = CKDRInetObj::Download_Inet_File(m_szDownload.c_str(), m_szLocalFile.c_str(), m_nSize,
                                                     message, m_szDate.c_str(), m_pDlg, 1, 0x20000000, stop);
    m_szDLoadMsg = message;
    m_bDownloading = 0;
    if (m_nDLoadResult == 0)
        ChangeStatus(Downloaded);
    return m_nDLoadResult;
}

int CProduct::Post_Rcode(unsigned code)
{
    if (!m_pOwner)
        return 0;
    int delivered = 0;
    const bool allowed =
        !CKDRInetObj::IsDebugging() || klv::debugAsk(m_szName + "\nPost Rcode = " + std::to_string(code) +
                                                     " (" + m_szDLoadMsg + ")\nPost notification ?");
    if (allowed && m_pOwner->FormSubmitted() && !m_pOwner->Settings().postingUrl.empty())
        delivered =
            m_pOwner->Post_RCode(m_szName.c_str(), code, m_szDLoadMsg.c_str(), nullptr,
                                 m_pOwner->Settings().postingUrl.c_str(), "Update_RCode_From_%s", "valdor");
    SaveDLoadData(delivered, code);
    return delivered;
}

int CProduct::Install_Product()
{
    using namespace platform::ui;
    if (CKDRInetObj::IsDebugging())
        klv::debugTell("Prod '" + m_szName + "' downloaded: rcode=" + std::to_string(m_nDLoadResult) + " (" +
                       (m_nDLoadResult == 0 ? "OK" : "ERROR") + ")");
    delete m_pDlg;
    m_pDlg = nullptr;
    if (!Need2Install(1))
        return 0;
    ChangeStatus(Installing);
    if (m_nPlatform != Windows) {
        if (CKDRInetObj::IsDebugging())
            klv::debugTell("VALDOR products installation yet not ready !!");
        return 0;
    }
    if (!fileHasBytes(m_szLocalFile)) {
        klv::libraryMessage(klv::formatLibraryString(klv::webstr::kInstallFileMissing, {m_szLocalFile}),
                            kMbOk | kMbIconError);
        ChangeStatus(Prompt);
        return 0;
    }
    // The file is checked against what the update file announced, and never run from here.
    const uint64_t size = platform::fileio::fileInfo(m_szLocalFile).size;
    std::string mismatch;
    if (m_nSize != 0 && size != m_nSize)
        mismatch = "size " + std::to_string(size) + " instead of " + std::to_string(m_nSize);
    else if (!m_szSha256.empty() && sha256Of(m_szLocalFile) != m_szSha256)
        mismatch = "SHA-256";
    if (!mismatch.empty()) {
        std::remove(m_szLocalFile.c_str());
        ChangeStatus(Prompt);
        klv::libraryMessage(
            klv::formatLibraryString(klv::webstr::kDownloadMismatch, {m_szLocalFile, mismatch}),
            kMbOk | kMbIconError);
        return 0;
    }
    const int answer =
        klv::libraryMessage(klv::formatLibraryString(klv::webstr::kDownloadKept,
                                                     {versionText(m_nUpdVersion), m_szName, m_szLocalFile}),
                            kMbYesNo | kMbIconInformation);
    if (answer == kIdYes)
        SaveDownloadedFileAs(m_szLocalFile.c_str(), m_szApplication.c_str());
    return 1;
}
