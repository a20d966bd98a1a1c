#include "platform/draw/font.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace platform::draw {

Font::Font(const LogFont& logFont, const TextMetrics& metrics, std::string installedFamily, CodePage codePage,
           const std::array<int, 256>& widths, const std::array<bool, 256>& hasGlyph)
    : m_logFont(logFont), m_metrics(metrics), m_installedFamily(std::move(installedFamily)),
      m_codePage(codePage), m_widths(widths), m_hasGlyph(hasGlyph)
{
}

Font::~Font() = default;

std::vector<int> Font::charWidths(std::uint8_t first, std::uint8_t last) const
{
    std::vector<int> widths;
    if (last < first) {
        return widths;
    }
    widths.reserve(last - first + 1);
    for (int byte = first; byte <= last; ++byte) {
        widths.push_back(m_widths[byte]);
    }
    return widths;
}

int Font::textWidth(std::string_view bytes) const
{
    long long width = 0;
    for (const char c : bytes) {
        width += m_widths[static_cast<std::uint8_t>(c)];
    }
    return static_cast<int>(std::min<long long>(width, std::numeric_limits<int>::max()));
}

} // namespace platform::draw
