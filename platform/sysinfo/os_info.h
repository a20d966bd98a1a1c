#pragma once
// The running system's name and version: the kernel's uname fields and the distribution's
// os-release description.

#include <string>

namespace platform::sysinfo {

struct OsInfo
{
    std::string sysname;    // uname: "Linux"
    std::string release;    // uname: "6.1.0-18-amd64"
    std::string version;    // uname: "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)"
    std::string machine;    // uname: "x86_64"
    std::string prettyName; // os-release PRETTY_NAME, empty when the file has none
    std::string osId;       // os-release ID
    std::string versionId;  // os-release VERSION_ID
};

// Fills `info` from uname and the os-release file (the standard /etc/os-release, falling back to
// /usr/lib/os-release when that one is missing). Returns false only when uname fails; a missing
// os-release file leaves its fields empty.
bool readOsInfo(OsInfo& info, const std::string& osReleasePath = std::string());

// Parses one os-release text into the three fields above (KEY=value lines, values optionally
// in single or double quotes with backslash escapes inside double quotes).
void parseOsRelease(const std::string& text, OsInfo& info);

} // namespace platform::sysinfo
