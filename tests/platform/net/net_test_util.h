#pragma once
// Helpers shared by the socket tests: descriptor flags and counts from /proc.

#include <filesystem>
#include <fstream>
#include <string>

namespace nettest {

// True when the descriptor is open and close-on-exec (O_CLOEXEC in /proc/self/fdinfo).
inline bool isCloseOnExec(int fd)
{
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(fd));
    std::string key;
    while (info >> key) {
        if (key == "flags:") {
            std::string octal;
            info >> octal;
            return (std::stoul(octal, nullptr, 8) & 02000000u) != 0;
        }
    }
    return false;
}

inline bool isOpen(int fd)
{
    return std::filesystem::exists("/proc/self/fd/" + std::to_string(fd));
}

inline size_t openDescriptors()
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

} // namespace nettest
