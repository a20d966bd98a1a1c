// The box-drawing bytes drawn as lines and shades on their cells, so that adjacent cells join
// into continuous frames at any cell size. All strokes are one pixel wide; the line geometry
// only places them.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/shade_patterns.h"
#include "typestone/engine/text_formatter.h"

#include <iterator>
#include <string>

namespace typestone {

using platform::draw::Point;
using platform::draw::Rect;

namespace {

// A junction of single and double lines: which arms it has, and whether its vertical arms are
// the double ones (its horizontal arms are then single) or the single ones.
struct Junction
{
    bool up, down, left, right, verticalDouble;
};

// Routines 27..44 in byte order: ╡ ╢ ╖ ╕ ╜ ╛ ╞ ╟ ╧ ╨ ╤ ╥ ╙ ╘ ╒ ╓ ╫ ╪.
constexpr Junction kJunctions[] = {
    {true, true, true, false, false},  // 181 ╡
    {true, true, true, false, true},   // 182 ╢
    {false, true, true, false, true},  // 183 ╖
    {false, true, true, false, false}, // 184 ╕
    {true, false, true, false, true},  // 189 ╜
    {true, false, true, false, false}, // 190 ╛
    {true, true, false, true, false},  // 198 ╞
    {true, true, false, true, true},   // 199 ╟
    {true, false, true, true, false},  // 207 ╧
    {true, false, true, true, true},   // 208 ╨
    {false, true, true, true, false},  // 209 ╤
    {false, true, true, true, true},   // 210 ╥
    {true, false, false, true, true},  // 211 ╙
    {true, false, false, true, false}, // 212 ╘
    {false, true, false, true, false}, // 213 ╒
    {false, true, false, true, true},  // 214 ╓
    {true, true, true, true, true},    // 215 ╫
    {true, true, true, true, false},   // 216 ╪
};
static_assert(std::size(kJunctions) == kFirstHalfBlockRoutine - kFirstMixedRoutine);

// A run's count is a 16-bit number.
constexpr int kMaxRunCells = 0xFFFF;

} // namespace

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
    int cellW = 0;
    const bool formatting = Formatting();
    if (formatting) {
        // The formatter's line is printed first; the box characters go where it ended, on the
        // cell of a blank in the current font, and its x moves past them.
        m_pTxtFter->FlushLine(m_dc, false);
        const platform::draw::Size cell = m_dc->textExtent(" ");
        if (cell.width > 0 && cell.height > 0 && (cell.width != m_cellW || cell.height != m_cellH)) {
            SetLineGeometry(cell.width, cell.height);
            SetDrawingCell(cell.width, cell.height);
        }
        const platform::draw::Point at = m_pTxtFter->OutputPos();
        x = at.x;
        y = at.y + cell.height;
        m_pTxtFter->SetSemiLineY(cell.height);
        cellW = cell.width;
    }
    if (!m_deviceFlag)
        doTextOut(x, y, std::string(static_cast<size_t>(count), ' '));
    DrawRoutine(static_cast<int>(CharClasses::lowByte(entry)), x, y + m_baseAdjust, count);
    if (formatting)
        m_pTxtFter->AdvanceX(m_dc, static_cast<int>(std::min<int64_t>(int64_t{count} * cellW, kMaxPosition)));
}

void CFontMapper::shade(int pattern, int x, int y, int count)
{
    fill(pattern, Rect{x, y, AdvancePosition(x, count, m_cellW), y + m_cellH});
}

void CFontMapper::fill(int pattern, Rect r)
{
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
    if (routine < 23 || (routine >= kFirstMixedRoutine && routine < kFirstHalfBlockRoutine))
        EnsurePen(1);
    if (routine >= kFirstMixedRoutine && routine < kFirstHalfBlockRoutine) {
        junction(routine - kFirstMixedRoutine, x, y);
        return;
    }
    if (routine >= kFirstHalfBlockRoutine && routine <= kLastRoutine) {
        halfBlock(routine - kFirstHalfBlockRoutine, x, y, n);
        return;
    }
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

// Inclusive pixel spans: the end point of a line is not drawn.
void CFontMapper::hspan(int y, int x0, int x1)
{
    line(x0, y, x1 + 1, y);
}

void CFontMapper::vspan(int x, int y0, int y1)
{
    line(x, y0, x, y1 + 1);
}

void CFontMapper::junction(int index, int x, int y)
{
    // The arms reach the cell's edges where the plain single and double lines of the
    // neighbouring cells lie; inside the cell a tee's stem stops at the nearer stroke of the
    // double line it meets, a corner's runs across both strokes.
    const Junction& j = kJunctions[index];
    const int W = m_cellW;
    const int H = m_cellH;
    const LineGeometry& g = m_geo;
    const int right = x + W - 1;
    const int bottom = y + H - 1;
    if (j.verticalDouble) {
        // two vertical strokes, one horizontal line
        const int yh = y + g.sy;
        const int xl = x + g.dx;
        const int xr = x + W - g.dx;
        for (const int xv : {xl, xr})
            vspan(xv, j.up ? y : yh, j.down ? bottom : yh);
        const bool through = j.up && j.down; // the line meets only the nearer stroke
        hspan(yh, j.left ? x : (through ? xr : xl), j.right ? right : (through ? xl : xr));
    } else {
        // one vertical line, two horizontal strokes
        const int xv = x + g.sx;
        const int yt = y + g.dy;
        const int yb = y + H - g.dy;
        for (const int yy : {yt, yb})
            hspan(yy, j.left ? x : xv, j.right ? right : xv);
        const bool across = j.left && j.right; // the stem meets only the nearer stroke
        vspan(xv, j.up ? y : (across ? yb : yt), j.down ? bottom : (across ? yt : yb));
    }
}

void CFontMapper::halfBlock(int index, int x, int y, int n)
{
    // ▄ ▌ ▐ ▀ filled like the full block, on their half of the cell.
    const int W = m_cellW;
    const int H = m_cellH;
    const int end = AdvancePosition(x, n, W);
    switch (index) {
    case 0: // ▄
        fill(3, Rect{x, y + H / 2, end, y + H});
        break;
    case 1: // ▌
    case 2: // ▐
        for (int i = 0; i < n && i < kMaxRunCells; ++i) {
            const int left = AdvancePosition(x, i, W) + (index == 2 ? W / 2 : 0);
            fill(3, Rect{left, y, left + (index == 2 ? W - W / 2 : W / 2), y + H});
        }
        break;
    default: // ▀
        fill(3, Rect{x, y, end, y + H / 2});
        break;
    }
}

} // namespace typestone
