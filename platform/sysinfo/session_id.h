#pragma once
// The login session the process belongs to (the kernel's audit session id).

#include <cstdint>
#include <string>

namespace platform::sysinfo {

// The session id from /proc/self/sessionid (or `path`). A process outside any login session
// (a system service) reads 4294967295 there; that, an unreadable file and any text that is not
// a plain decimal number give 0, the session of services.
uint32_t sessionId(const std::string& path = "/proc/self/sessionid");

// The same rule on a text already read.
uint32_t parseSessionId(const std::string& text);

} // namespace platform::sysinfo
