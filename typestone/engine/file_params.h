#pragma once
// The parameter blocks of the file commands.

#include "typestone/engine/esc_block.h"

#include <cstdint>
#include <string>

namespace typestone {

// PrintFile (20): u16 flags at 0, u16 first line at 2, u16 line count at 4, the host file
// facts at 6..23 and the zero-terminated file name from 24.
struct PrintFileParams
{
    static constexpr uint32_t kMinLen = 28;
    static constexpr size_t kFactsSize = 18;
    // flags: bit 15 a local file (else a host file), bit 13 a foreign document handed to its
    // own program, bits 10-11 the host's text translation, bit 12 no character conversion,
    // low byte the line filters.
    static constexpr uint16_t kLocalFile = 0x8000;
    static constexpr uint16_t kForeignDocument = 0x2000;
    uint16_t flags = 0;
    uint16_t first = 0;
    uint16_t count = 0;
    uint8_t facts[kFactsSize] = {};
    std::string name;

    bool decode(const EscBlock& block);
};

} // namespace typestone
