// CKDRInetObj: downloads with a progress dialog, the posts and the user's data.

#include "klv_inet/webupdate/kdr_inet_obj.h"

#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"
#include "klv_inet/support/size_format.h"
#include "klv_inet/webupdate/http_transfer.h"
#include "klv_inet/webupdate/product.h"
#include "klv_inet/webupdate/update_dialog_host.h"

#include "klv_inet/support/text_compare.h"

#include "platform/text/sprintf.h"
#include "platform/ui/message_box.h"

#include <QByteArray>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

std::string licenseSection(const std::string& app)
{
    std::string s;
    return FormSection(s, "License", app.c_str());
}

std::string versionPair(uint16_t v)
{
    return platform::text::sprintf("%u.%02u", v / 100u, v % 100u);
}

} // namespace

int CKDRInetObj::Download_Inet_File(const char* url, const char* file, unsigned long expectedSize,
                                    std::string& error, const char* /*text*/, CMsgDlg* dialog, int fresh,
                                    unsigned long /*requestFlags*/, const std::atomic<bool>* stop,
                                    uint64_t maxBytes)
{
    const std::string u = url ? url : "";
    const std::string f = file ? file : "";
    auto general = [&](uint64_t expected) {
        if (dialog)
            dialog->BaseDispMsg((u + " [" + FormatSize("bytes", expected) + "]").c_str(), -1);
    };
    if (dialog) {
        general(expectedSize);
        dialog->DispMsg(f.c_str(), 1);
        dialog->DispMsg("", 2);
        dialog->DispMsg("", 3);
        dialog->Animate(230);
    }
    const time_t start = std::time(nullptr);
    klv::DownloadOptions o;
    o.expectedSize = expectedSize;
    o.fresh = fresh != 0;
    if (maxBytes)
        o.maxBytes = maxBytes;
    o.cancelled = [dialog, stop] { return (stop && *stop) || (dialog && dialog->IsCancelPressed()); };
    o.progress = [&](uint64_t received, uint64_t expected) {
        if (!dialog)
            return;
        if (received == 0) {
            general(expected);
            return;
        }
        dialog->ReportProgress(received, expected);
        dialog->Time2Go(start, expected, received, 1);
    };
    const klv::DownloadResult r = klv::httpDownload(u, f, o);
    if (dialog)
        dialog->StopAnimate();
    error = r.error;
    return r.code;
}

std::string CKDRInetObj::Canonicalize(const std::string& text)
{
    if (text.empty())
        return text;
    const QByteArray encoded = QByteArray(text.data(), qsizetype(text.size())).toPercentEncoding();
    return std::string(encoded.constData(), size_t(encoded.size()));
}

void CKDRInetObj::AddField(std::string& body, const char* name, const char* value, const char* extra)
{
    if (!name || !value)
        return;
    std::string v = value;
    if (extra && !klv::equalsNoCase(v, extra))
        v += " (" + std::string(extra) + ")";
    if (!body.empty())
        body += '&';
    body += Canonicalize(name) + "=" + Canonicalize(v);
}

int CKDRInetObj::Post_Inet_Data(const char* body, const char* sender, const char* cgiUrl,
                                const char* subjectFormat, const char* tag)
{
    if (!cgiUrl || !*cgiUrl)
        return 0;
    const std::string from = sender && *sender ? sender : m_szNotifyAddress;
    std::string subject = subjectFormat ? subjectFormat : "";
    // The subject is the caller's fixed pattern; only its one "%s" takes the application name.
    if (const auto at = subject.find("%s"); at != std::string::npos)
        subject.replace(at, 2, m_szApplication);
    const std::string url = std::string(cgiUrl) + "?" + from + "," + subject + "_ver(" +
                            versionPair(GetMaxVersion()) + "/" + versionPair(m_nVersion) + ")," +
                            (tag ? tag : "");
    klv::PostOptions o;
    o.cancelled = [this] { return m_stop.load(); };
    return klv::httpPost(url, body ? body : "", o) ? 1 : 0;
}

void CKDRInetObj::LoadUserData()
{
    std::lock_guard lock(m_userMutex);
    loadUserDataLocked();
}

void CKDRInetObj::loadUserDataLocked()
{
    const std::string section = licenseSection(m_szApplication);
    auto load = [&](const char* name, std::string& member) {
        char buf[256] = {};
        uint32_t size = sizeof buf;
        if (GetRegistryEntry(section.c_str(), name, buf, &size) && buf[0])
            member.assign(buf, strnlen(buf, sizeof buf));
    };
    load("User Name", m_szName);
    load("Company", m_szCompany);
    load("User Email", m_szEmail);
    load("City", m_szCity);
    load("Country", m_szCountry);
}

void CKDRInetObj::SaveUserData() const
{
    std::lock_guard lock(m_userMutex);
    const std::string section = licenseSection(m_szApplication);
    auto save = [&](const char* name, const std::string& v) {
        SetRegistryEntry(section.c_str(), name, v.c_str(), uint32_t(v.size()), KLV_REG_SZ);
    };
    save("User Name", m_szName);
    save("Company", m_szCompany);
    save("User Email", m_szEmail);
    save("City", m_szCity);
    save("Country", m_szCountry);
}

void CKDRInetObj::FormUserData(std::string& body)
{
    // Only what the user typed into the form.
    std::lock_guard lock(m_userMutex);
    if (m_szName.empty() || m_szCompany.empty() || m_szEmail.empty() || m_szCity.empty() ||
        m_szCountry.empty())
        loadUserDataLocked();
    AddField(body, "Na", m_szName.c_str());
    AddField(body, "Co", m_szCompany.c_str());
    AddField(body, "Em", m_szEmail.c_str());
    AddField(body, "Ci", m_szCity.c_str());
    AddField(body, "CC", m_szCountry.c_str());
}

void CKDRInetObj::GetPrivateUserData(int withProducts, int confirmed)
{
    m_szPr.clear();
    if (!withProducts)
        return;
    for (CProduct* p : m_products) {
        if (!p->Need2Download(confirmed))
            continue;
        if (!m_szPr.empty())
            m_szPr += ", ";
        m_szPr += p->m_szName + " (" +
                  (p->m_nCurrVersion ? versionPair(uint16_t(p->m_nCurrVersion))
                                     : std::string("Not installed/Unknown")) +
                  ")";
    }
}

int CKDRInetObj::UpdateForm()
{
    klv::UpdateDialogHost* host = klv::UpdateDialogHost::installed();
    if (!host)
        return platform::ui::kIdCancel;
    klv::UserFormData data;
    {
        std::lock_guard lock(m_userMutex);
        data = {m_szEmail, m_szName, m_szCompany, m_szCity, m_szCountry};
    }
    const int rc = host->runUpdateForm(data);
    if (rc == platform::ui::kIdOk) {
        std::lock_guard lock(m_userMutex);
        m_szEmail = data.email;
        m_szName = data.name;
        m_szCompany = data.company;
        m_szCity = data.city;
        m_szCountry = data.country;
    }
    return rc;
}

int CKDRInetObj::SubmitUpdateRequest(int confirmed)
{
    LoadUserData();
    const int rc = UpdateForm();
    if (rc != platform::ui::kIdOk)
        return 0; // nothing goes out, and nothing is downloaded
    SaveUserData();
    GetPrivateUserData(1, confirmed);
    const int posted =
        Post_Request(nullptr, m_settings.postingUrl.c_str(), "Update_Request_From_%s", "valdor");
    if (posted) {
        m_bFormSubmitted = true;
        postStoredNotices();
    }
    return posted;
}

int CKDRInetObj::Post_Request(const char* sender, const char* cgiUrl, const char* subjectFormat,
                              const char* tag)
{
    std::string body;
    FormUserData(body);
    AddField(body, "Pr", m_szPr.c_str());
    return Post_Inet_Data(body.c_str(), sender, cgiUrl, subjectFormat, tag);
}

int CKDRInetObj::Post_RCode(const char* product, unsigned code, const char* message, const char* sender,
                            const char* cgiUrl, const char* subjectFormat, const char* tag)
{
    std::string body;
    FormUserData(body);
    const std::string rcode =
        std::to_string(code) + " - " + (code ? "Failed" : "OK") + " (" + (message ? message : "") + ")";
    AddField(body, "Download Rcode", rcode.c_str());
    AddField(body, "Pr", product);
    return Post_Inet_Data(body.c_str(), sender, cgiUrl, subjectFormat, tag);
}

void CKDRInetObj::postStoredNotices()
{
    // Results of earlier runs that could not be delivered then.
    for (CProduct* p : m_products) {
        unsigned long code = 0;
        if (p->LoadDLoadData(&code))
            p->Post_Rcode(unsigned(code));
    }
}
