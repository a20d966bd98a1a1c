#pragma once
// Escape blocks as a host sends them, for the engine's tests.

#include "typestone/engine/esc_block.h"

#include <cstdint>
#include <string>

namespace engine_test {

// An escape block: its 12-byte header (version 1.00, the checksum right, `declaredLength` as
// its parameter length) and the parameters.
inline std::string escBlock(uint16_t cmd, const std::string& params, uint32_t declaredLength)
{
    typestone::EscHeader h;
    h.wVersion = 100;
    h.wCmd = cmd;
    h.dwLen = declaredLength;
    h.wChk = h.computeChecksum();
    uint8_t hdr[12];
    h.encode(hdr);
    return std::string(reinterpret_cast<const char*>(hdr), 12) + params;
}

inline std::string escBlock(uint16_t cmd, const std::string& params)
{
    return escBlock(cmd, params, static_cast<uint32_t>(params.size()));
}

} // namespace engine_test
