#include "typestone/engine/font_mapper.h"
#include "typestone/engine/mul_div.h"
#include "typestone/engine/text_formatter.h"
#include "typestone/engine/win_prt.h"

#include <algorithm>
#include <cstdint>

namespace typestone {

using platform::draw::Color;
using platform::draw::Pen;
using platform::draw::Point;
using platform::draw::Rect;

CFontMapper::CFontMapper(CWinPrt* owner, int deviceFlag, platform::draw::FontEngine* engine)
    : m_owner(owner), m_deviceFlag(deviceFlag), m_engine(engine)
{
    if (m_deviceFlag) {
        m_pTxtFter = std::make_unique<CTextFormatter>(static_cast<FormatterHost*>(this), engine);
        SetLayout(m_pTxtFter.get());
    }
}

CFontMapper::~CFontMapper()
{
    m_layout = nullptr;
    m_pTxtFter.reset();
    DocumentEnd();
}

void CFontMapper::SetFontEngine(platform::draw::FontEngine* engine)
{
    m_engine = engine;
    if (m_pTxtFter)
        m_pTxtFter->SetFontEngine(engine);
}

bool CFontMapper::Formatting() const
{
    return m_pTxtFter && m_layout == m_pTxtFter.get() && m_pTxtFter->InUse();
}

TextLayout* CFontMapper::ActiveLayout() const
{
    if (m_layout == nullptr || (m_layout == m_pTxtFter.get() && !m_pTxtFter->InUse()))
        return nullptr;
    return m_layout;
}

// --- what the formatter asks ---------------------------------------------------------------

void CFontMapper::FmtEndLine()
{
    if (m_owner != nullptr) {
        const bool rest = m_pTxtFter && m_pTxtFter->HasWrappedText();
        m_owner->Down();
        // The wrapped rest of a line belongs on the next page: it starts now, not with the
        // next text, so that nothing is drawn between pages.
        if (rest)
            startPageForText();
        return;
    }
    m_curr.x = 0;
    int row = 0;
    DownOneLine(nullptr, &row);
}

void CFontMapper::startPageForText()
{
    if (m_owner != nullptr && m_owner->IsDocStarted() && !m_owner->IsPageStarted())
        m_owner->StartPage();
}

void CFontMapper::FmtDown()
{
    FmtEndLine();
}

void CFontMapper::FmtPrintData(std::string_view bytes)
{
    if (m_owner != nullptr && !bytes.empty())
        m_owner->PrintData(bytes.data(), bytes.size(), false);
}

void CFontMapper::FmtSetBkMode(int mode)
{
    m_bkMode = mode == 1 ? 1 : 2;
    if (m_dc != nullptr)
        m_dc->setBackgroundMode(m_bkMode == 1 ? platform::draw::BackgroundMode::Transparent
                                              : platform::draw::BackgroundMode::Opaque);
}

bool CFontMapper::Cancelled() const
{
    return m_owner != nullptr && m_owner->IsCanceled();
}

bool CFontMapper::TraceOn(uint32_t mask) const
{
    return m_owner != nullptr && m_owner->Host().TraceOn(mask);
}

void CFontMapper::TraceText(const std::string& text)
{
    if (m_owner != nullptr)
        m_owner->Host().TraceText(text);
}

void CFontMapper::DocumentEnd()
{
    m_groupFonts.fill(nullptr);
    m_groupCellW = m_groupCellH = -1;
    if (m_dc != nullptr)
        m_dc->selectFont(nullptr);
    m_font.reset();
    m_currLogFont = LogFont{};
    m_baseFont.reset();
    m_MappedCached = 0;
    m_nCount = 0;
    // The next document starts with a formatter of its own: no runs, areas or wrap state of a
    // job that has ended may reach another job's pages.
    if (m_pTxtFter) {
        m_pTxtFter->TraceStatusReport();
        const bool own = m_layout == m_pTxtFter.get();
        m_pTxtFter = std::make_unique<CTextFormatter>(static_cast<FormatterHost*>(this), m_engine);
        if (own)
            m_layout = m_pTxtFter.get();
    }
}

uint32_t CFontMapper::AttrColor(uint8_t attr)
{
    attr &= 0x0F;
    if (attr == 0x07)
        return 0xC0C0C0;
    if (attr == 0x08)
        return 0x404040;
    const uint32_t level = (attr & 0x08) ? 255 : 128;
    const uint32_t red = (attr & 0x04) ? level : 0;
    const uint32_t green = (attr & 0x02) ? level : 0;
    const uint32_t blue = (attr & 0x01) ? level : 0;
    return red | (green << 8) | (blue << 16);
}

void CFontMapper::SetTextColor(uint32_t colorRef)
{
    m_textColor = colorRef & 0xFFFFFF;
    if (m_dc != nullptr)
        m_dc->setTextColor(Color::fromColorRef(m_textColor));
    if (m_layout != nullptr)
        m_layout->SetTextColor(m_textColor);
}

void CFontMapper::SetBkColor(uint32_t colorRef)
{
    m_bkColor = colorRef & 0xFFFFFF;
    if (m_dc != nullptr)
        m_dc->setBackgroundColor(Color::fromColorRef(m_bkColor));
    if (m_layout != nullptr)
        m_layout->SetBkColor(m_bkColor);
}

void CFontMapper::SetBkMode(int mode)
{
    m_bkMode = mode == 1 ? 1 : 2;
    if (m_dc != nullptr)
        m_dc->setBackgroundMode(m_bkMode == 1 ? platform::draw::BackgroundMode::Transparent
                                              : platform::draw::BackgroundMode::Opaque);
    if (m_layout != nullptr)
        m_layout->SetBkMode(m_bkMode);
}

void CFontMapper::EnsurePen(int width)
{
    if (m_dc == nullptr)
        return;
    const Pen want{platform::draw::PenStyle::Solid, width, Color::fromColorRef(m_textColor)};
    if (!(m_dc->pen() == want))
        m_dc->selectPen(want);
}

void CFontMapper::MoveTo(int x, int y)
{
    if (m_dc != nullptr)
        m_dc->moveTo(Point{x, y});
}

void CFontMapper::LineTo(int x, int y)
{
    if (m_dc != nullptr)
        m_dc->lineTo(Point{x, y});
}

void CFontMapper::PrintableArea(int* width, int* height) const
{
    int w = 0;
    int h = 0;
    if (m_dc != nullptr) {
        const auto caps = m_dc->caps();
        // Baseline alignment: y names the bottom of a cell, so the last row ends at the page's
        // bottom, while the last column must start one cell before the right edge.
        w = std::max(0, caps.width - m_dx);
        h = caps.height;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
}

bool CFontMapper::SetPixelCoordinates(int x, int y)
{
    m_curr = Point{x, y};
    // On the whole page the formatter's line starts where the mapper moves (y names the
    // bottom of the cell, the formatter the top of its line); in a print rectangle of its own
    // the commands place it.
    if (Formatting() && m_pTxtFter->OnDefaultRect()) {
        m_pTxtFter->SetX(m_dc, x);
        m_pTxtFter->SetY(m_dc, y - m_dy);
    }
    if (!m_clip.isEmpty())
        return true;
    int w = 0;
    int h = 0;
    PrintableArea(&w, &h);
    return x >= 0 && y >= 0 && x <= w && y <= h;
}

bool CFontMapper::SetCellPosition(int column, int row)
{
    const bool clipped = !m_clip.isEmpty();
    const int x = AdvancePosition(clipped ? m_clip.left : 0, column, m_dx);
    // baseline alignment: the bottom of the row
    const int y = AdvancePosition(clipped ? m_clip.top : 0, int64_t{row} + 1, m_dy);
    return SetPixelCoordinates(x, y);
}

bool CFontMapper::DownOneLine(int* x, int* y)
{
    if (Formatting()) {
        // The line is finished where it stands, then the formatter moves down by its own line
        // height; it says when the page is full.
        m_pTxtFter->FlushLine(m_dc, true);
        int top = 0;
        const bool room = m_pTxtFter->NewLine(m_dc, m_dy, &top) != 0;
        if (m_pTxtFter->OnDefaultRect())
            m_curr = Point{0, top + m_dy};
        if (x != nullptr)
            *x = 0;
        if (room && y != nullptr)
            *y += 1;
        return room;
    }
    const int row = (y != nullptr ? *y : 0) + 1;
    const int from = m_curr.y;
    SetCellPosition(x != nullptr ? *x : 0, row);
    // On the page the next line lies one line of the current font below this one: after a
    // font of another size the row alone would put it over the lines already printed (or
    // leave a gap). In the page's grid that is the same place as the row.
    if (m_clip.isEmpty())
        m_curr.y = AdvancePosition(from, 1, m_dy);
    // Only the height decides: a line that ran past the right edge does not end the page. In
    // the grid the rows do: the rest of the height after the last whole row can be taller than
    // a row when there are many rows, and one more line would fit there.
    int height = 0;
    PrintableArea(nullptr, &height);
    const bool room = !m_clip.isEmpty() || (m_curr.y <= height && (m_unitMode != kUnitGrid || row < m_rows));
    if (room && y != nullptr)
        *y = row;
    return room;
}

bool CFontMapper::CarriageReturn()
{
    m_bCRDone = true;
    // A margin whose line never came (the paragraph held only blanks) is not the next one's.
    if (Formatting() && !m_pTxtFter->HasLine())
        m_pTxtFter->SetLeftMargin(0);
    // Only a formatter with a line in hand ends it (and moves down) at a carriage return; the
    // character grid never moves to a new line by itself.
    if (!Formatting() || !m_pTxtFter->HasLine())
        return false;
    FmtEndLine();
    m_curr.x = m_clip.isEmpty() ? 0 : m_clip.left;
    return true;
}

void CFontMapper::LineReset()
{
    m_curr.x = m_clip.isEmpty() ? 0 : m_clip.left;
    if (Formatting())
        m_pTxtFter->SetX(m_dc, 0);
}

void CFontMapper::PageStart()
{
    m_MappedCached = 0;
    m_nCount = 0;
    const bool owed = m_pTxtFter && m_pTxtFter->OwesBreakBlanks();
    if (m_pTxtFter)
        m_pTxtFter->NewPage(m_dc, 1);
    SetCellPosition(0, 0);
    if (owed)
        m_pTxtFter->OweBreakBlanks();
}

void CFontMapper::PageEnd()
{
    flushRun();
    if (m_pTxtFter)
        m_pTxtFter->FlushAll(m_dc);
}

void CFontMapper::SetClipRect(int left, int top, int width, int height)
{
    m_curr = Point{0, 0};
    if (width == 0 && height == 0)
        m_clip = Rect{};
    else
        m_clip = Rect{left, top, left + width, top + height};
    if (Formatting())
        m_pTxtFter->SetClipRect(m_dc, &m_clip);
}

bool CFontMapper::ConvertUnits(int unit, int* x, int* y, int* right, int* bottom) const
{
    if (m_dc == nullptr)
        return false;
    const auto caps = m_dc->caps();
    if (unit == 0)
        unit = static_cast<int>(m_unitFlags & 0x1F);
    // The values come from the host: products are taken in 64 bits and held far beyond any
    // page, so no value wraps round on its way to the clamp below.
    auto each = [&](auto fn) {
        for (int* v : {x, y, right, bottom})
            if (v != nullptr) {
                const int64_t r = fn(int64_t{*v}, v == x || v == right);
                *v = static_cast<int>(std::clamp<int64_t>(r, -kMaxPosition, kMaxPosition));
            }
    };
    auto scaled = [](int64_t v, int64_t mul, int64_t div) {
        const int64_t p = v * mul;
        return (p < 0 ? p - div / 2 : p + div / 2) / div;
    };
    switch (unit) {
    case kUnitArea: {
        if (m_areaCols <= 0 || m_areaRows <= 0)
            return false;
        const int64_t cw = caps.width / m_areaCols;
        const int64_t ch = caps.height / m_areaRows;
        each([&](int64_t v, bool horizontal) { return v * (horizontal ? cw : ch); });
        break;
    }
    case kUnitGrid:
        break;
    case kUnitMm:
        each([&](int64_t v, bool horizontal) {
            return scaled(v, (horizontal ? caps.dpiX : caps.dpiY) * 10, 254);
        });
        break;
    case kUnitInch:
        each([&](int64_t v, bool horizontal) { return v * (horizontal ? caps.dpiX : caps.dpiY); });
        break;
    case kUnitPoint10:
        each([&](int64_t v, bool horizontal) { return scaled(v, horizontal ? caps.dpiX : caps.dpiY, 720); });
        break;
    default:
        return false;
    }
    // Pixels come as the host gave them: held far beyond the page too, so that a position
    // plus a size (a rectangle's far edge) cannot overflow.
    for (int* v : {x, y, right, bottom})
        if (v != nullptr)
            *v = static_cast<int>(std::clamp<int64_t>(*v, -kMaxPosition, kMaxPosition));
    if (x != nullptr)
        *x = std::min(*x, caps.width);
    if (y != nullptr)
        *y = std::min(*y, caps.height);
    if (right != nullptr)
        *right = std::min(*right, caps.width - (x != nullptr ? *x : 0));
    if (bottom != nullptr)
        *bottom = std::min(*bottom, caps.height - (y != nullptr ? *y : 0));
    return true;
}

int CFontMapper::DefaultUnits(uint32_t flags, int columns, int rows)
{
    uint32_t unit = flags & 0x1F;
    if (unit == 0)
        unit = m_unitFlags & 0x1F;
    uint32_t angle = flags >= 0x10000000u ? (flags & 0xF0000000u) : (m_unitFlags & 0xF0000000u);
    m_unitFlags = (flags & ~0xF000001Fu) | angle | unit;
    if (unit == kUnitArea) {
        m_areaCols = columns;
        m_areaRows = rows;
    }
    return 1;
}

} // namespace typestone
