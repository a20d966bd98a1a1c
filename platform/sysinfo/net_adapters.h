#pragma once
// The machine's network interfaces and their hardware addresses.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::sysinfo {

struct NetAdapter
{
    std::string name;
    std::vector<uint8_t> address; // hardware address bytes, empty when the interface has none
    bool loopback = false;
    bool physical = false; // backed by a device (not a virtual interface)
};

// Interfaces listed under /sys/class/net (or `root`), sorted by name. An unreadable folder
// gives an empty list.
std::vector<NetAdapter> netAdapters(const std::string& root = "/sys/class/net");

// "aa:bb:cc:dd:ee:ff" style text to bytes; empty for malformed text.
std::vector<uint8_t> parseHardwareAddress(const std::string& text);

} // namespace platform::sysinfo
