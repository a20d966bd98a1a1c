#include "klv_inet/support/reg_updates.h"

#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include <cstdlib>
#include <cstring>

namespace {

std::string updatesSection(const char* app)
{
    std::string s;
    return FormSection(s, "Updates", app);
}

void saveText(const char* name, const std::string& text, const char* app)
{
    SetRegistryEntry(updatesSection(app).c_str(), name, text.c_str(), static_cast<uint32_t>(text.size()),
                     KLV_REG_SZ, platform::RegRoot::Users);
}

std::string loadText(const char* name, const char* app)
{
    char buf[256] = {};
    uint32_t size = sizeof buf;
    if (!GetRegistryEntry(updatesSection(app).c_str(), name, buf, &size, platform::RegRoot::Users))
        return {};
    return std::string(buf, strnlen(buf, sizeof buf));
}

int number(const std::string& s, size_t from)
{
    return from < s.size() ? std::atoi(s.c_str() + from) : 0;
}

} // namespace

void SaveLastUpdateQuery(const char* name, const char* app)
{
    const time_t now = std::time(nullptr);
    std::tm tmv{};
    char buf[64] = {};
    if (localtime_r(&now, &tmv))
        std::strftime(buf, sizeof buf, "%d-%m-%Y %H:%M", &tmv);
    saveText(name, buf, app);
}

int GetLastUpdateQuery(const char* name, time_t* t, const char* app)
{
    std::string s = loadText(name, app);
    if (s.empty())
        return 0;
    const auto blank = s.find(' ');
    int hour = 0, minute = 0;
    if (blank != std::string::npos) {
        const auto colon = s.find(':', blank);
        if (colon != std::string::npos) {
            hour = number(s, blank + 1);
            minute = number(s, colon + 1);
        }
    }
    std::string date = blank == std::string::npos ? s : s.substr(0, blank);
    const auto d2 = date.rfind('-');
    if (d2 == std::string::npos)
        return 0;
    const int year = number(date, d2 + 1);
    date.erase(d2);
    const auto d1 = date.rfind('-');
    if (d1 == std::string::npos)
        return 0;
    const int month = number(date, d1 + 1);
    date.erase(d1);
    const int day = number(date, 0);
    std::tm tmv{};
    tmv.tm_year = year - 1900;
    tmv.tm_mon = month - 1;
    tmv.tm_mday = day;
    tmv.tm_hour = hour;
    tmv.tm_min = minute;
    tmv.tm_isdst = -1;
    if (t)
        *t = std::mktime(&tmv);
    return 1;
}

std::string& GetDownloadFolder(std::string& out, const char* app)
{
    out = loadText("Download Folder", app);
    return out;
}

void SaveDownloadFolder(const char* path, const char* app, std::string* out)
{
    if (!path || !*path)
        return;
    std::string folder = path;
    const auto slash = folder.rfind('/');
    if (slash != std::string::npos)
        folder.erase(slash + 1);
    if (out)
        *out = folder;
    saveText("Download Folder", folder, app);
}
