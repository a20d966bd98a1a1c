#include "typestone/engine/shade_patterns.h"

namespace typestone {

const std::array<uint8_t, 8>& shadeBitmapRows(int pattern)
{
    static const std::array<uint8_t, 8> rows[kShadePatterns] = {
        {0x55, 0xFF, 0xDD, 0xFF, 0x75, 0xFF, 0xDD, 0xFF}, // light shade, 11 of 64 ink
        {0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}, // medium shade, 16 of 64
        {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}, // dark shade, 32 of 64
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, // full block
    };
    return rows[pattern >= 0 && pattern < kShadePatterns ? pattern : 0];
}

platform::draw::Pattern8x8 shadeBrushPattern(int pattern)
{
    const auto& stored = shadeBitmapRows(pattern);
    platform::draw::Pattern8x8 out{};
    for (int row = 0; row < 8; ++row)
        out[static_cast<size_t>(row)] = static_cast<uint8_t>(~stored[static_cast<size_t>(7 - row)]);
    return out;
}

} // namespace typestone
