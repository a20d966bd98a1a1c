#include "klv_inet/support/sys_version.h"

#include "platform/sysinfo/os_info.h"
#include "platform/sysinfo/volume_id.h"
#include "platform/text/sprintf.h"

#include <cstdio>

namespace {

constexpr uint32_t kPlatformNt = 2;

// Leading decimal numbers of a release text such as "6.1.0-18-amd64".
void releaseNumbers(const std::string& release, uint32_t out[3])
{
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        out[i] = 0;
        size_t digits = 0;
        while (pos < release.size() && release[pos] >= '0' && release[pos] <= '9' && digits < 9) {
            out[i] = out[i] * 10 + static_cast<uint32_t>(release[pos] - '0');
            ++pos;
            ++digits;
        }
        if (pos >= release.size() || release[pos] != '.')
            break;
        ++pos;
    }
}

} // namespace

int GetWinSystemVersion(WinVersion* family, std::string* text, OsVersionInfo* info, std::string* version,
                        std::string* name)
{
    platform::sysinfo::OsInfo os;
    if (!platform::sysinfo::readOsInfo(os))
        return 0;
    OsVersionInfo v;
    uint32_t nums[3] = {};
    releaseNumbers(os.release, nums);
    v.majorVersion = nums[0];
    v.minorVersion = nums[1];
    v.buildNumber = nums[2];
    v.platformId = kPlatformNt;
    v.csdVersion = os.version;
    const bool extended = !os.prettyName.empty();
    const std::string sysName = extended ? os.prettyName : os.sysname + " " + os.release;

    std::string t;
    t += platform::text::sprintf("\n-VerInfoEx=%s----\n", extended ? "TRUE" : "FALSE");
    t += platform::text::sprintf("\nVer=%u.%u", v.majorVersion, v.minorVersion);
    t += platform::text::sprintf("\nPlatform=%u (%s)", v.platformId, os.sysname);
    t += platform::text::sprintf("\nCSDVersion='%s' (Build %d) SP=%u.%u\n", v.csdVersion,
                                 static_cast<int>(v.buildNumber & 0xFFFF), unsigned{v.servicePackMajor},
                                 unsigned{v.servicePackMinor});
    t += sysName;

    if (family)
        *family = WinVersion::Unknown;
    if (name)
        *name = sysName;
    if (text)
        *text = t;
    if (info)
        *info = v;
    if (version)
        *version = platform::text::sprintf("%u.%u", v.majorVersion, v.minorVersion);
    return 1;
}

WinVersion WhatWinVersion()
{
    WinVersion f = WinVersion::Win95;
    GetWinSystemVersion(&f, nullptr, nullptr, nullptr, nullptr);
    return f;
}

uint32_t GetDllVersion(const char*)
{
    return 0;
}

uint32_t GetVolumeSerial(const char* root)
{
    return root ? platform::sysinfo::volumeSerial(root) : 0;
}
