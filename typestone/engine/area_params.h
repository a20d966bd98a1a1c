#pragma once
// The parameter blocks of the area and position commands, read and described like the font
// and text commands' blocks.

#include "typestone/engine/esc_block.h"

#include <cstdint>
#include <string>

namespace typestone {

// PrtSelectArea (15): u16 window number at 0, u16 unused at 2, i32 mode at 4.
struct PrtSelectAreaParams
{
    static constexpr uint32_t kMinLen = 8;
    uint16_t window = 0;
    int32_t mode = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

} // namespace typestone
