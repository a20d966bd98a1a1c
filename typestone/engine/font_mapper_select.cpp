// Selecting fonts: by LOGFONT and unit (point fonts, the grid of an area), by attribute change,
// the probe of a face, the attribute word and angles.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/mul_div.h"
#include "typestone/engine/text_formatter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace typestone {

using platform::draw::LogFont;

namespace {

constexpr uint16_t kSizeAttrs = 0x38; // compressed, double width, double height

// A size as a command gives it, before any conversion: far beyond a page in every unit and
// small enough that no conversion overflows.
constexpr int kMaxSizeValue = 1 << 20;

int boundValue(int v)
{
    return std::clamp(v, -kMaxSizeValue, kMaxSizeValue);
}

// |v| for any int, bounded like a size.
int magnitude(int v)
{
    return static_cast<int>(std::min<int64_t>(std::llabs(static_cast<int64_t>(v)), kMaxSizeValue));
}

// No font larger than the page: what lies beyond it is never printed, and the faces would be
// rendered at that size.
void boundToPage(LogFont& lf, const platform::draw::DeviceCaps& caps)
{
    const int most = std::max({1, caps.width, caps.height});
    lf.height = std::clamp(lf.height, -most, most);
    lf.width = std::clamp(lf.width, 0, most);
}

} // namespace

int CFontMapper::FaceProbe(const LogFont* lf, bool* fixedPitch, bool* lineDraw, bool* trueType) const
{
    if (lf == nullptr)
        return 0;
    const auto font = m_engine != nullptr ? m_engine->createFont(*lf) : nullptr;
    if (fixedPitch != nullptr)
        *fixedPitch = font && font->isFixedPitch();
    if (lineDraw != nullptr)
        *lineDraw = font && IsLineDrawFace(std::string(lf->faceNameView()), font->metrics().charSet);
    if (trueType != nullptr)
        *trueType = font && font->isTrueType();
    return 1;
}

void CFontMapper::SetNewFont(int cellWidth, int cellHeight, const LogFont& lf)
{
    m_cellW = cellWidth;
    m_cellH = cellHeight;
    bool trueType = false;
    bool lineDraw = false;
    FaceProbe(&lf, nullptr, &lineDraw, &trueType);
    const uint16_t value = static_cast<uint16_t>(0x18 | 0x02 | (lineDraw ? 0x04 : 0) | (trueType ? 0x01 : 0));
    // The font without compressed or double size is what those attributes start from when
    // they are turned on (and back to when they are turned off): it follows every face and
    // size the job selects.
    if (!(m_attr & kSizeAttrs))
        m_baseFont = lf;
    m_nFontValue = value;
    // Box characters are drawn only in left-aligned text; otherwise they print as characters.
    m_classes.Activate(!(m_pTxtFter && (m_pTxtFter->AlignWord() & 3) != kAlignLeft), true);
}

bool CFontMapper::SelFont(const LogFont& given, bool setUnit, int unit, uint16_t attr, int value)
{
    if (m_dc == nullptr || m_engine == nullptr)
        return false;
    const auto caps = m_dc->caps();
    LogFont lf = given;
    int use = kUnitGrid;
    if (setUnit) {
        if (attr & kSizeAttrs) {
            use = kUnitGrid; // fitted already
        } else {
            use = unit & 0x1F;
            m_unitMode = use;
        }
    }
    m_dc->setTextAlign(platform::draw::TextAlign::Baseline);

    bool pointFont = false;
    int gridRowHeight = 0;
    if (setUnit) {
        switch (use) {
        case kUnitArea: {
            int cw = m_areaCellW;
            int ch = m_areaCellH;
            if (cw <= 0 || ch <= 0) {
                cw = m_areaCols > 0 ? caps.width / m_areaCols : caps.width / std::max(1, m_cols);
                ch = m_areaRows > 0 ? caps.height / m_areaRows : caps.height / std::max(1, m_rows);
            }
            cw = std::max(1, cw);
            ch = std::max(1, ch);
            FitFont(lf, cw, ch, 0, false);
            gridRowHeight = ch;
            break;
        }
        case kUnitMm:
            // Millimetres to tenths of a point: 72 points of an inch over its 25.4 mm.
            lf.height = MulDiv(boundValue(lf.height), 7200, 254);
            lf.width = MulDiv(boundValue(lf.width), 7200, 254);
            pointFont = value != 0;
            break;
        case kUnitInch:
            lf.height = boundValue(lf.height) * 720;
            lf.width = boundValue(lf.width) * 720;
            pointFont = value != 0;
            break;
        case kUnitPoint10:
            lf.height = boundValue(lf.height);
            lf.width = boundValue(lf.width);
            pointFont = value != 0;
            break;
        default:
            break;
        }
    }
    if (pointFont)
        lf = platform::draw::pointFontToPixels(lf, caps.dpiY);
    boundToPage(lf, caps);

    const Measure m = MeasureFont(lf, 0);
    m_dx = m.width;
    if (attr == 0 || m_dy == 0)
        m_dy = m.height;
    // A grid's row is the line pitch whatever the face measures.
    if (gridRowHeight > 0)
        m_dy = gridRowHeight;
    else if (m_unitMode == kUnitGrid && m_rows > 0 && !setUnit)
        m_dy = std::max(1, caps.height / m_rows);
    if (m_font && lf == m_currLogFont) {
        SetNewFont(m_dx, m_dy, lf);
    } else {
        auto font = m_engine->createFont(lf);
        if (!font)
            return false;
        SetNewFont(m_dx, m_dy, lf);
        m_dc->selectFont(font);
        m_font = std::move(font);
        m_currLogFont = lf;
    }
    if (m_layout != nullptr)
        m_layout->SetFont(lf);
    // The strokes sit on the cell of the font now selected.
    SetLineGeometry(m_cellW, m_cellH);
    if (!m_clip.isEmpty()) {
        m_curr.x = std::max(m_curr.x, m_clip.left);
        m_curr.y = std::max(m_curr.y, m_clip.top + m_dy);
    }
    return true;
}

bool CFontMapper::SetAreaCell(int columns, int rows, uint32_t areaUnit, int areaWidth, int areaHeight)
{
    if (m_dc == nullptr)
        return false;
    const auto caps = m_dc->caps();
    columns = std::min(magnitude(columns), std::max(1, caps.width));
    rows = std::min(magnitude(rows), std::max(1, caps.height));
    if (columns == 0 || rows == 0)
        return false;
    SetAreaGrid(columns, rows);
    int width = areaWidth;
    int height = areaHeight;
    ConvertUnits(static_cast<int>(areaUnit & 0x1F), nullptr, nullptr, &width, &height);
    if (areaWidth == 0)
        width = caps.width;
    if (areaHeight == 0)
        height = caps.height;
    m_areaCellW = std::max(1, width / columns);
    m_areaCellH = std::max(1, height / rows);
    return true;
}

bool CFontMapper::SelFont(LogFont lf, const FontSize& size)
{
    if (m_dc == nullptr)
        return false;
    if ((size.unit & 0x1F) == kUnitArea &&
        !SetAreaCell(size.width, size.height, size.areaUnit, size.areaWidth, size.areaHeight))
        return false;
    lf.height = size.height;
    lf.width = size.width;
    return SelFont(lf, true, size.unit, 0, 1);
}

bool CFontMapper::ApplyAttrFont(uint16_t attr)
{
    if (m_unitMode == kUnitGrid)
        return SetGridFont(attr, m_cols, m_rows);
    if (m_dc == nullptr)
        return false;
    const bool sized = ((m_attr | attr) & kSizeAttrs) != 0;
    LogFont lf = sized && m_baseFont ? *m_baseFont : m_currLogFont;
    lf.italic = (attr & 0x01) ? 1 : 0;
    lf.weight = (attr & 0x02) ? 800 : 400;
    lf.underline = (attr & 0x04) ? 1 : 0;
    lf.strikeOut = (attr & 0x80) ? 1 : 0;
    if (attr & kSizeAttrs) {
        const Measure m = MeasureFont(lf, 0);
        int width = m.width;
        int height = m.height;
        if (attr & 0x08) {
            width = width * 5 / 8;
        } else {
            if (attr & 0x10)
                width *= 2;
            if (attr & 0x20)
                height *= 2;
        }
        FitFont(lf, std::max(1, width), std::max(1, height), 0, false);
    }
    m_attr = attr;
    return SelFont(lf, false, 0, attr, 0);
}

uint16_t CFontMapper::AttrWord()
{
    if (m_layout != nullptr)
        m_attrWord = m_layout->AttrWord();
    return m_attrWord;
}

void CFontMapper::SetAttrWord(uint16_t attr)
{
    m_attrWord = attr;
    if (m_layout != nullptr)
        m_layout->SetAttrWord(attr);
}

int CFontMapper::Angle(uint32_t flags, uint16_t* angle) const
{
    const uint32_t unit = (flags >= 0x10000000u ? flags : m_unitFlags) & 0xF0000000u;
    if (angle != nullptr && unit == 0x40000000u) {
        // Whole degrees, the fraction dropped; a turn more than a full one is the same angle.
        const double degrees = *angle * 360.0 / 6.28318530718;
        *angle = static_cast<uint16_t>(static_cast<long>(degrees) % 360);
    }
    return 1;
}

} // namespace typestone
