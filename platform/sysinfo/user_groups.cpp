#include "platform/sysinfo/user_groups.h"

#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform::sysinfo {
namespace {

// The database entries hold their strings in a buffer of the caller's; it grows on ERANGE up
// to this size, which no sane entry needs.
constexpr size_t kMaxEntryBuffer = 1u << 20;

} // namespace

uint32_t effectiveUserId()
{
    return uint32_t(::geteuid());
}

bool userInGroup(uint32_t uid, const std::string& groupName)
{
    if (groupName.empty())
        return false;
    std::vector<char> buffer(4096);
    passwd user{};
    passwd* userFound = nullptr;
    for (;;) {
        const int rc = ::getpwuid_r(uid_t(uid), &user, buffer.data(), buffer.size(), &userFound);
        if (rc == ERANGE && buffer.size() < kMaxEntryBuffer) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc != 0 || !userFound)
            return false;
        break;
    }
    const std::string name = user.pw_name;
    const gid_t primary = user.pw_gid;

    std::vector<char> groupBuffer(4096);
    group entry{};
    group* groupFound = nullptr;
    for (;;) {
        const int rc =
            ::getgrnam_r(groupName.c_str(), &entry, groupBuffer.data(), groupBuffer.size(), &groupFound);
        if (rc == ERANGE && groupBuffer.size() < kMaxEntryBuffer) {
            groupBuffer.resize(groupBuffer.size() * 2);
            continue;
        }
        if (rc != 0 || !groupFound)
            return false;
        break;
    }
    const gid_t wanted = entry.gr_gid;
    if (primary == wanted)
        return true;
    for (char** member = entry.gr_mem; member && *member; ++member)
        if (name == *member)
            return true;
    // Members known only to other sources of the database (LDAP, say).
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    for (int tries = 0; tries < 4; ++tries) {
        int n = count;
        if (::getgrouplist(name.c_str(), primary, groups.data(), &n) >= 0)
            return std::find(groups.begin(), groups.begin() + n, wanted) != groups.begin() + n;
        if (n <= count || n > 65536)
            return false;
        count = n;
        groups.resize(static_cast<size_t>(count));
    }
    return false;
}

} // namespace platform::sysinfo
