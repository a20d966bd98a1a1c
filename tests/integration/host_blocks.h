#pragma once
// Pieces of a host's print stream for the tests that drive the real program: little-endian
// values and escape blocks (the 12-byte header with its checksum, then the parameters).

#include <cstdint>
#include <string>

namespace runtest {

inline std::string le16(uint32_t v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

inline std::string le32(uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

inline std::string escBlock(uint16_t cmd, const std::string& params)
{
    const auto len = static_cast<uint32_t>(params.size());
    const uint16_t words[5] = {0xFDFD, 100, cmd, static_cast<uint16_t>(len),
                               static_cast<uint16_t>(len >> 16)};
    std::string h;
    uint16_t check = 0;
    for (uint16_t w : words) {
        h += le16(w);
        check ^= w;
    }
    return h + le16(check) + params;
}

} // namespace runtest
