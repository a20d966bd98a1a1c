#pragma once
// The four 8 x 8 shading patterns of the bytes 176, 177, 178 and 219 (light, medium and dark
// shade, full block), numbered 0 to 3.

#include "platform/draw/dc.h"

#include <array>
#include <cstdint>

namespace typestone {

inline constexpr int kShadePatterns = 4;

// The rows as the bitmap stores them: bottom row first, bit 7 the leftmost pixel, a 0 bit
// is ink (the text colour), a 1 bit paper.
const std::array<uint8_t, 8>& shadeBitmapRows(int pattern);

// The pattern as a brush pattern: top row first, set bits are ink. Pattern 0 for a number
// out of range.
platform::draw::Pattern8x8 shadeBrushPattern(int pattern);

} // namespace typestone
