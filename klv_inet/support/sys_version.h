#pragma once
// What system the library runs on, in the layout of the trace headers and the update posts.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <string>

// The system family. This system counts as the newest of the NT family (platform 2), which
// is the family the programs' service mode belongs to.
enum class WinVersion : int
{
    Win32s = 0,
    Win95 = 1,
    Win98 = 2,
    WinNT = 3,
    Win2000 = 4,
    WinME = 5,
    WinXP = 6,
    Unknown = 7,
};

// The version record: kernel version numbers, the platform id and the kernel's build text.
struct OsVersionInfo
{
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    std::string csdVersion;
    uint16_t servicePackMajor = 0;
    uint16_t servicePackMinor = 0;
    uint16_t suiteMask = 0;
    uint8_t productType = 0;
};

// 1, or 0 when the system gives no version at all (nothing is written then); every out may be
// null. The text reads "\n-VerInfoEx=TRUE----\n\nVer=6.1\nPlatform=2 (Linux)\nCSDVersion='...'
// (Build 0) SP=0.0\n" followed by the system's name; VerInfoEx is TRUE when the distribution
// describes itself. `version` gets "major.minor", `name` the system's name.
KLV_EXPORT int GetWinSystemVersion(WinVersion* family, std::string* text, OsVersionInfo* info,
                                   std::string* version, std::string* name);

// The family; Win95 when nothing can be read.
KLV_EXPORT WinVersion WhatWinVersion();

// (major << 16) | minor of a system library's version; libraries here carry none, so 0.
KLV_EXPORT uint32_t GetDllVersion(const char* module);

// An identifier of the file system holding `root` ("/" for the system); 0 on failure.
KLV_EXPORT uint32_t GetVolumeSerial(const char* root);
