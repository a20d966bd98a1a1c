#include "klv_inet/support/reg_section.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/text_compare.h"

#include <atomic>
#include <cstring>

namespace {

constexpr const char* kBranch = ".DEFAULT\\Software\\KLV\\";
constexpr std::string_view kUserPrefix = ".Default\\";

std::atomic<int> g_redirect{1};

} // namespace

std::string& FormSection(std::string& out, const char* section, const char* app)
{
    out = kBranch;
    out += (app && *app) ? std::string(app) : GetAppName();
    if (section && *section) {
        out += '\\';
        out += section;
    }
    return out;
}

std::string& FormUpdatesSection(std::string& out, const char* app)
{
    out = kBranch;
    out += app ? std::string(app) : GetAppName();
    out += "\\Updates\\";
    return out;
}

std::string& FormProductSection(std::string& out, const char* branch, const char* product)
{
    out = std::string(kBranch) + "Products\\" + (branch ? branch : "");
    if (out.back() != '\\')
        out += '\\';
    out += product ? product : "";
    return out;
}

void RegChangeUserByCurrentUser(std::string& key, platform::RegRoot& root)
{
    if (g_redirect.load() && root == platform::RegRoot::Users && klv::startsWithNoCase(key, kUserPrefix)) {
        key.erase(0, kUserPrefix.size());
        root = platform::RegRoot::CurrentUser;
    }
}

void RegChangeUserByCurrentUser(char* key, platform::RegRoot& root)
{
    if (!key)
        return;
    std::string k = key;
    RegChangeUserByCurrentUser(k, root);
    std::memmove(key, k.c_str(), k.size() + 1);
}

void SetRegChangeUserByCurrentUser(int on)
{
    g_redirect.store(on);
}
