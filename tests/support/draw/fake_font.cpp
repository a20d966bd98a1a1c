#include "tests/support/draw/fake_font.h"

#include <string>

namespace platform::draw {

FakeFont::FakeFont(const LogFont& logFont, const TextMetrics& metrics, CodePage codePage,
                   const std::array<int, 256>& widths, const std::array<bool, 256>& hasGlyph)
    : Font(logFont, metrics, std::string(logFont.faceNameView()), codePage, widths, hasGlyph)
{
}

} // namespace platform::draw
