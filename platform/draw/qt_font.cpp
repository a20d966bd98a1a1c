#include "platform/draw/qt_font.h"

#include <utility>

namespace platform::draw {

QtFont::QtFont(const LogFont& logFont, const TextMetrics& metrics, std::string installedFamily,
               CodePage codePage, const std::array<int, 256>& widths, const std::array<bool, 256>& hasGlyph,
               Glyphs glyphs)
    : Font(logFont, metrics, std::move(installedFamily), codePage, widths, hasGlyph),
      m_glyphs(std::move(glyphs))
{
}

} // namespace platform::draw
