#include "platform/draw/dc.h"

#include <algorithm>

namespace platform::draw {

Rect Rect::intersected(const Rect& other) const
{
    const Rect common{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                      std::min(bottom, other.bottom)};
    return common.isEmpty() ? Rect{} : common;
}

Dc::~Dc() = default;

void Dc::setTextJustification(int extra, int breakCount)
{
    (void)extra;
    (void)breakCount;
}

int Dc::justificationFor(std::string_view bytes) const
{
    (void)bytes;
    return 0;
}

TextMetrics Dc::textMetrics() const
{
    const FontHandle selected = font();
    return selected ? selected->metrics() : TextMetrics{};
}

std::vector<int> Dc::charWidths(std::uint8_t first, std::uint8_t last) const
{
    const FontHandle selected = font();
    return selected ? selected->charWidths(first, last) : std::vector<int>{};
}

Size Dc::textExtent(std::string_view bytes) const
{
    const FontHandle selected = font();
    if (!selected) {
        return Size{};
    }
    return Size{selected->textWidth(bytes), selected->metrics().height};
}

} // namespace platform::draw
