#pragma once
// The update file's reader: "[section]" headers and key=value lines. Section and key names
// are compared without regard to case; when a section or a key appears twice the first one
// wins; values are trimmed and lose one pair of surrounding quotes; lines starting with ';'
// are comments; lines end with LF or CR LF. Values are cut to 259 bytes, as the fixed buffers
// of the format allow, and input beyond kMaxBytes is refused.

#include "klv_inet/support/klv_export.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace klv {

class KLV_EXPORT IniFile
{
public:
    static constexpr size_t kMaxBytes = 4u << 20;
    static constexpr size_t kMaxValue = 259;

    // An empty file for input larger than kMaxBytes.
    static IniFile parse(std::string_view bytes);
    // nullopt when the file cannot be read or is larger than kMaxBytes.
    static std::optional<IniFile> load(const std::string& path);

    bool hasSection(std::string_view section) const;
    // The value, or `fallback` when the section or key is missing.
    std::string value(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
    // The value's leading decimal number (an optional '-' wraps as the profile readers do),
    // or `fallback` when missing or not a number.
    uint32_t number(std::string_view section, std::string_view key, uint32_t fallback = 0) const;

    size_t sectionCount() const { return m_sections.size(); }

private:
    using Keys = std::unordered_map<std::string, std::string>; // folded key -> value
    std::unordered_map<std::string, Keys> m_sections;          // folded name -> keys
};

// For the fuzzing harness: parses `size` bytes and reads every kind of value once.
KLV_EXPORT int KlvFuzzIniFile(const uint8_t* data, size_t size);

} // namespace klv
