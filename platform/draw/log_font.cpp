#include "platform/draw/log_font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform::draw {

void LogFont::setFaceName(std::string_view name)
{
    std::memset(faceName, 0, sizeof faceName);
    std::memcpy(faceName, name.data(), std::min(name.size(), sizeof faceName - 1));
}

std::string_view LogFont::faceNameView() const
{
    const void* end = std::memchr(faceName, 0, sizeof faceName);
    const size_t length = end ? static_cast<const char*>(end) - faceName : sizeof faceName;
    return std::string_view(faceName, length);
}

bool LogFont::operator==(const LogFont& other) const
{
    return std::memcmp(this, &other, sizeof(LogFont)) == 0;
}

LogFont makeLogFont(std::string_view faceName, std::int32_t height, std::int32_t width)
{
    LogFont font;
    font.height = height;
    font.width = width;
    font.setFaceName(faceName);
    return font;
}

LogFont pointFontToPixels(const LogFont& pointFont, int dpiY)
{
    LogFont font = pointFont;
    const auto scale = [dpiY](std::int32_t tenths) {
        return static_cast<std::int32_t>(std::lround(std::abs(static_cast<double>(tenths)) * dpiY / 720.0));
    };
    font.height = -scale(pointFont.height);
    font.width = scale(pointFont.width);
    return font;
}

} // namespace platform::draw
