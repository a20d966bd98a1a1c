#pragma once
// Bytes from the kernel's random source.

#include <cstddef>

namespace platform::sysinfo {

// Fills `n` bytes from getrandom (or /dev/urandom where that call is missing). Returns false
// when neither gives the bytes.
bool randomBytes(void* buffer, size_t n);

} // namespace platform::sysinfo
