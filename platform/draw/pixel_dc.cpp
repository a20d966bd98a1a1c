#include "platform/draw/pixel_dc.h"

#include "platform/draw/pixel_geometry.h"

#include <algorithm>

namespace platform::draw {

void PixelDc::drawLine(Point fromPoint, Point toPoint)
{
    const Pen& pen = state().pen;
    const Point from = pixels::clamped(fromPoint);
    const Point to = pixels::clamped(toPoint);
    if (pen.style == PenStyle::Null || from == to) {
        return;
    }
    const int w = std::clamp(pen.width, 1, pixels::kMaxPenWidth);
    const Brush ink = Brush::solid(pen.color);
    if (!pixels::lineRects(from, to, w, caps(), [&](const Rect& rect) { fillPixels(rect, ink); })) {
        strokeOffPage(from, to, w, pen.color);
    }
}

std::optional<PixelDc::TextPlace> PixelDc::placeText(Point at, std::string_view bytes,
                                                     const std::optional<Rect>& clip)
{
    if (!drawing() || bytes.empty() || (clip && clip->isEmpty())) {
        return std::nullopt;
    }
    TextPlace place;
    place.at = pixels::clamped(at);
    place.top = textTop(place.at.y);
    place.justify = takeJustification(bytes);
    int spread = 0;
    for (const int e : place.justify)
        spread += e;
    place.width = std::min(state().font->textWidth(bytes) + spread, 2 * pixels::kCoordinateLimit);
    place.escapement = state().font->logFont().escapement;
    place.isolated = clip.has_value() || place.escapement % 3600 != 0;
    return place;
}

void PixelDc::lineTo(Point to)
{
    drawLine(currentPosition(), to);
    moveTo(to);
}

void PixelDc::rectangle(const Rect& area)
{
    const Rect rect = pixels::clamped(area);
    if (rect.isEmpty()) {
        return;
    }
    fillPixels(rect, state().brush);
    const Pen& pen = state().pen;
    if (pen.style == PenStyle::Null) {
        return;
    }
    const Brush ink = Brush::solid(pen.color);
    pixels::outlineRects(rect, pen.width, [&](const Rect& edge) { fillPixels(edge, ink); });
}

void PixelDc::fillRect(const Rect& rect, const Brush& brush)
{
    fillPixels(rect, brush);
}

} // namespace platform::draw
