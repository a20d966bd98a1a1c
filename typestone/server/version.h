#pragma once
// The version string of the server, for the about box, the trace and print-log headers and the
// start-up banner.

#include <string>

namespace typestone {

inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 42;
inline constexpr int kVersionRelease = 0;

} // namespace typestone

// out = "Version 2.42.00 [<build date> - <build time>] " (string 28 of the server's table with
// the major and minor version, or "2.42" when the string is missing); returns out.
std::string& FormatVersion(std::string& out);
