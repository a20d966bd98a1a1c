#pragma once
// Facts about the running process.

#include <string>

namespace platform::sysinfo {

// Full path of the running executable; empty when it cannot be read.
std::string executablePath();

// File name of the running executable without its folder and without its last extension
// ("typestone" for /usr/bin/typestone, "tool" for /opt/tool.bin); empty when unknown.
std::string executableBaseName();

} // namespace platform::sysinfo
