#pragma once
// Where a Dc's lines and outlines fall in whole device pixels, for the backends that draw them
// as filled pixel rectangles (PainterDc, PdfDc), so that both put the same pixels down.

#include "platform/draw/dc.h"

#include <algorithm>
#include <cstdlib>

namespace platform::draw::pixels {

// Coordinates beyond this are clamped to it: far outside any page, and small enough that the
// pixel arithmetic cannot overflow.
inline constexpr int kCoordinateLimit = 1 << 24;
inline constexpr int kMaxPenWidth = 1 << 16;

inline int clampCoordinate(int value)
{
    return std::clamp(value, -kCoordinateLimit, kCoordinateLimit);
}

inline Point clamped(Point p)
{
    return Point{clampCoordinate(p.x), clampCoordinate(p.y)};
}

inline Rect clamped(const Rect& r)
{
    return Rect{clampCoordinate(r.left), clampCoordinate(r.top), clampCoordinate(r.right),
                clampCoordinate(r.bottom)};
}

// The pixels of one step of a pen `width` wide centred on (x, y).
inline Rect penSquare(int x, int y, int width)
{
    const int start = width / 2;
    return Rect{x - start, y - start, x - start + width, y - start + width};
}

// Hands `fill` the pixel rectangles of a line in a pen `width` wide (1 to kMaxPenWidth) from
// `from` to `to`, both clamped, the end point left out. A horizontal or vertical line is one
// rectangle; any other goes by Bresenham steps from `from`, unless it leaves the page (`caps`
// grown by the width): then nothing is handed and false returned, and the caller strokes it
// for the device to clip (a step count bounded by the page, not by the coordinates).
template <class Fill> bool lineRects(Point from, Point to, int width, const DeviceCaps& caps, Fill&& fill)
{
    const int start = width / 2;
    if (from.y == to.y) {
        const int left = from.x < to.x ? from.x : to.x + 1;
        const int right = from.x < to.x ? to.x : from.x + 1;
        fill(Rect{left, from.y - start, right, from.y - start + width});
        return true;
    }
    if (from.x == to.x) {
        const int top = from.y < to.y ? from.y : to.y + 1;
        const int bottom = from.y < to.y ? to.y : from.y + 1;
        fill(Rect{from.x - start, top, from.x - start + width, bottom});
        return true;
    }
    const Rect near{-width, -width, caps.width + width, caps.height + width};
    if (!near.contains(from) || !near.contains(to)) {
        return false;
    }
    const int dx = std::abs(to.x - from.x);
    const int dy = -std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int error = dx + dy;
    int x = from.x;
    int y = from.y;
    while (x != to.x || y != to.y) {
        fill(penSquare(x, y, width));
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
    return true;
}

// Hands `fill` the four edges of the outline of `rect` (clamped, not empty) in a pen `width`
// wide, lying on the rectangle's own edge pixels.
template <class Fill> void outlineRects(const Rect& rect, int width, Fill&& fill)
{
    const int w = std::min({std::clamp(width, 1, kMaxPenWidth), rect.width(), rect.height()});
    fill(Rect{rect.left, rect.top, rect.right, rect.top + w});
    fill(Rect{rect.left, rect.bottom - w, rect.right, rect.bottom});
    fill(Rect{rect.left, rect.top + w, rect.left + w, rect.bottom - w});
    fill(Rect{rect.right - w, rect.top + w, rect.right, rect.bottom - w});
}

} // namespace platform::draw::pixels
