#pragma once
// An identifier of the file system that holds a path.

#include <cstdint>
#include <string>

namespace platform::sysinfo {

// The low 32 bits of the file system id (statvfs f_fsid) of the file system holding `path`;
// 0 when it cannot be read.
uint32_t volumeSerial(const std::string& path);

} // namespace platform::sysinfo
