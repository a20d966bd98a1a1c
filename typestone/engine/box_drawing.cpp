// The box-drawing bytes drawn as lines and shades on their cells, so that adjacent cells join
// into continuous frames at any cell size. All strokes are one pixel wide; the line geometry
// only places them.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/shade_patterns.h"

#include <string>

namespace typestone {

using platform::draw::Point;
using platform::draw::Rect;

void CFontMapper::SetLineGeometry(int W, int H)
{
    m_geo.compute(W, H);
    m_baseAdjust = 0;
    if (m_deviceFlag && m_font)
        m_baseAdjust = m_font->metrics().descent - H;
    if (m_dc != nullptr && m_geo.w1 > 0)
        EnsurePen(m_geo.w1);
}

void CFontMapper::line(int x1, int y1, int x2, int y2)
{
    MoveTo(x1, y1);
    LineTo(x2, y2);
}

void CFontMapper::polyline(std::initializer_list<Point> points)
{
    bool first = true;
    for (const Point& p : points) {
        if (first)
            MoveTo(p.x, p.y);
        else
            LineTo(p.x, p.y);
        first = false;
    }
}

void CFontMapper::DrawSemigr(int x, int y, uint32_t entry, int count)
{
    if (m_dc == nullptr || count <= 0)
        return;
    if (!m_deviceFlag)
        doTextOut(x, y, std::string(static_cast<size_t>(count), ' '));
    DrawRoutine(static_cast<int>(CharClasses::lowByte(entry)), x, y + m_baseAdjust, count);
}

void CFontMapper::shade(int pattern, int x, int y, int count)
{
    Rect r{x, y, AdvancePosition(x, count, m_cellW), y + m_cellH};
    if (!m_clip.isEmpty())
        r = r.intersected(m_clip);
    if (r.isEmpty())
        return;
    m_dc->fillRect(r, platform::draw::Brush::fromPattern(shadeBrushPattern(pattern)));
}

void CFontMapper::DrawRoutine(int routine, int x, int y, int n)
{
    if (m_dc == nullptr)
        return;
    const int W = m_cellW;
    const int H = m_cellH;
    const int sx = m_geo.sx;
    const int sy = m_geo.sy;
    const int dx = m_geo.dx;
    const int dy = m_geo.dy;
    if (routine < 23)
        EnsurePen(1);
    switch (routine) {
    case 1: // │
        line(x + sx, y, x + sx, y + H);
        break;
    case 2: // ┤
        DrawRoutine(1, x, y, 1);
        line(x + sx, y + sy, x - 1, y + sy);
        break;
    case 3: // ╣
        line(x + W - dx, y, x + W - dx, y + H);
        polyline({{x, y + dy}, {x + dx, y + dy}, {x + dx, y - 1}});
        polyline({{x, y + H - dy}, {x + dx, y + H - dy}, {x + dx, y + H}});
        break;
    case 4: // ║
        line(x + dx, y, x + dx, y + H);
        line(x + W - dx, y, x + W - dx, y + H);
        break;
    case 5: // ╗
        polyline({{x + dx, y + H}, {x + dx, y + H - dy}, {x - 1, y + H - dy}});
        polyline({{x + W - dx, y + H}, {x + W - dx, y + dy}, {x - 1, y + dy}});
        break;
    case 6: // ╝
        polyline({{x + dx, y}, {x + dx, y + dy}, {x - 1, y + dy}});
        polyline({{x + W - dx, y}, {x + W - dx, y + H - dy}, {x - 1, y + H - dy}});
        break;
    case 7: // ┐
        polyline({{x + sx, y + H}, {x + sx, y + sy}, {x - 1, y + sy}});
        break;
    case 8: // └
        polyline({{x + sx, y}, {x + sx, y + sy}, {x + W, y + sy}});
        break;
    case 9: // ┴
        DrawRoutine(12, x, y, 1);
        line(x + sx, y + sy, x + sx, y - 1);
        break;
    case 10: // ┬
        DrawRoutine(12, x, y, 1);
        line(x + sx, y + sy, x + sx, y + H);
        break;
    case 11: // ├
        DrawRoutine(1, x, y, 1);
        line(x + sx, y + sy, x + W, y + sy);
        break;
    case 12: // ─, the whole run in one line
        line(x, y + sy, AdvancePosition(x, n, W), y + sy);
        break;
    case 13: // ┼
        DrawRoutine(1, x, y, 1);
        DrawRoutine(12, x, y, 1);
        break;
    case 14: // ╚
        polyline({{x + dx, y}, {x + dx, y + H - dy}, {x + W, y + H - dy}});
        polyline({{x + W - dx, y}, {x + W - dx, y + dy}, {x + W, y + dy}});
        break;
    case 15: // ╔
        polyline({{x + dx, y + H}, {x + dx, y + dy}, {x + W, y + dy}});
        polyline({{x + W - dx, y + H}, {x + W - dx, y + H - dy}, {x + W, y + H - dy}});
        break;
    case 16: // ╩
        line(x, y + H - dy, x + W, y + H - dy);
        polyline({{x, y + dy}, {x + dx, y + dy}, {x + dx, y - 1}});
        polyline({{x + W - 1, y + dy}, {x + W - dx, y + dy}, {x + W - dx, y - 1}});
        break;
    case 17: // ╦
        line(x, y + dy, x + W, y + dy);
        polyline({{x, y + H - dy}, {x + dx, y + H - dy}, {x + dx, y + H}});
        polyline({{x + W - 1, y + H - dy}, {x + W - dx, y + H - dy}, {x + W - dx, y + H}});
        break;
    case 18: // ╠
        line(x + dx, y, x + dx, y + H);
        polyline({{x + W - dx, y}, {x + W - dx, y + dy}, {x + W, y + dy}});
        line(x + W - dx, y + H - dy, x + W, y + H - dy);
        line(x + W - dx, y + H - dy, x + W - dx, y + H);
        break;
    case 19: // ═, the whole run
        line(x, y + dy, AdvancePosition(x, n, W), y + dy);
        line(x, y + H - dy, AdvancePosition(x, n, W), y + H - dy);
        break;
    case 20: // ╬
        polyline({{x, y + dy}, {x + dx, y + dy}, {x + dx, y - 1}});
        polyline({{x + W, y + dy}, {x + W - dx, y + dy}, {x + W - dx, y - 1}});
        polyline({{x, y + H - dy}, {x + dx, y + H - dy}, {x + dx, y + H}});
        polyline({{x + W, y + H - dy}, {x + W - dx, y + H - dy}, {x + W - dx, y + H}});
        break;
    case 21: // ┘
        polyline({{x + sx, y}, {x + sx, y + sy}, {x - 1, y + sy}});
        break;
    case 22: // ┌
        polyline({{x + sx, y + H}, {x + sx, y + sy}, {x + W, y + sy}});
        break;
    case 23: // ░
    case 24: // ▒
    case 25: // ▓
    case 26: // █
        shade(routine - 23, x, y, n);
        break;
    default:
        break;
    }
}

} // namespace typestone
