#pragma once
// A printer's device settings as the server stores them per shared printer ("NewDevMode").
//
// The record is our own little-endian block, self-describing like the settings block the hosts'
// configuration always kept: a fixed part of dmSize bytes followed by dmDriverExtra bytes of
// further settings as "name=value" lines.
//
//   0 char[32] device name      32 u16 version (1)   34 u16 dmSize (120)  36 u16 dmDriverExtra
//  38 i16 orientation (1 portrait, 2 landscape, 3 reverse portrait, 4 reverse landscape)
//  40 i16 copies  42 i16 duplex (1 simplex, 2 long edge, 3 short edge)  44 i16 colour (1 mono, 2 colour)
//  46 i16 quality (-1 draft, -3 normal, -4 high)  48 i16 x dpi  50 i16 y dpi
//  52 char[64] media (PWG name)  116 u32 reserved (0)
//
// Every size and value is checked when a block is read, so a damaged or foreign block is refused
// rather than half-used.

#include "platform/spooler/print_options.h"
#include "platform/spooler/printer_defaults.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace typestone {

class DevMode
{
public:
    static constexpr size_t kDeviceNameSize = 32;
    static constexpr uint16_t kVersion = 1;
    static constexpr uint16_t kFixedSize = 120;
    static constexpr size_t kMaxDriverExtra = 4096;
    static constexpr size_t kMaxSize = kFixedSize + kMaxDriverExtra;

    DevMode() = default;
    DevMode(std::string deviceName, platform::spooler::PrinterDefaults settings);

    // At most 31 characters are kept.
    void setDeviceName(const std::string& name);
    const std::string& deviceName() const { return m_deviceName; }

    platform::spooler::PrinterDefaults settings;
    // Settings without a field of their own, in order; a name is 1..64 characters without
    // '=', line breaks or NUL, a value has no line breaks or NUL.
    std::vector<std::pair<std::string, std::string>> extra;

    // The stored block (dmSize + dmDriverExtra bytes). Extra settings that break the rules
    // above or do not fit kMaxDriverExtra are left out.
    std::vector<uint8_t> toBytes() const;
    // Reads a stored block; nothing (with the reason) when a size or a value is wrong.
    static std::optional<DevMode> fromBytes(const uint8_t* data, size_t size, std::string* error);

    // The settings as a spooler takes them for a document.
    platform::spooler::PrintOptions toPrintOptions() const;

    bool operator==(const DevMode&) const = default;

private:
    std::string m_deviceName;
};

} // namespace typestone
