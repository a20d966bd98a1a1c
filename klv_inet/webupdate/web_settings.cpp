#include "klv_inet/webupdate/web_settings.h"

#include "klv_inet/support/kbd.h"

#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace klv {
namespace {

std::string setting(const char* app, const char* name, const char* envName)
{
    if (const char* env = std::getenv(envName); env && *env)
        return env;
    std::string section;
    FormSection(section, "Updates", app);
    char buf[1024] = {};
    uint32_t size = sizeof buf;
    if (!GetRegistryEntry(section.c_str(), name, buf, &size))
        return {};
    return std::string(buf, strnlen(buf, sizeof buf));
}

std::mutex g_kbdMutex;
std::string g_kbd;

} // namespace

WebUpdateSettings WebUpdateSettings::load(const char* app)
{
    WebUpdateSettings s;
    s.updateRoot = setting(app, "Update Root", "TYPESTONE_UPDATE_ROOT");
    s.postingUrl = setting(app, "Posting URL", "TYPESTONE_POSTING_URL");
    if (!s.updateRoot.empty() && s.updateRoot.back() != '/')
        s.updateRoot += '/';
    return s;
}

std::string updateKeyboardCode()
{
    {
        std::lock_guard lock(g_kbdMutex);
        if (!g_kbd.empty())
            return g_kbd;
    }
    // The PC keyboard code of this machine (its layout), as the host file transfer uses it.
    std::string code;
    GetKbd(code, 0, 0);
    return code.empty() ? std::string("US") : code;
}

void setUpdateKeyboardCode(const char* code)
{
    std::lock_guard lock(g_kbdMutex);
    g_kbd = code ? code : "";
}

} // namespace klv
