#pragma once
// A font of the fake engine: formula metrics, no glyphs.

#include "platform/draw/font.h"

namespace platform::draw {

class FakeFont : public Font
{
public:
    FakeFont(const LogFont& logFont, const TextMetrics& metrics, CodePage codePage,
             const std::array<int, 256>& widths, const std::array<bool, 256>& hasGlyph);
};

} // namespace platform::draw
