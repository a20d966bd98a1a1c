#include "typestone/engine/text_model_ftext.h"

#include "typestone/engine/text_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace typestone {

using platform::draw::Point;
using platform::draw::Rect;
using platform::draw::Size;

CFText::CFText() : CFText(nullptr, 0, 0xFFFFFF, 0) {}

CFText::CFText(const LogFont* lf, uint32_t fg, uint32_t bg, uint16_t effect)
    : m_pParagraph(std::make_unique<CParagraph>(lf, fg, bg, 2, effect))
{
}

bool CFText::AddText(RunFonts& fonts, const char* text, const RunExtent& e)
{
    if (text == nullptr)
        return false;
    const std::string piece(text);
    m_nBlanks += CountChar(piece, ' ');
    m_szText += piece;
    // Bounded: a run that never wraps (a clipped line) may grow past what an int holds.
    constexpr int64_t kMostAdvance = int64_t{1} << 30;
    m_advance = static_cast<int>(std::clamp(int64_t{m_advance} + e.advance, -kMostAdvance, kMostAdvance));
    if (m_pParagraph && m_pParagraph->Rotation() % 360 != 0) {
        const RunExtent whole = extentOf(measuringFont(fonts), m_advance);
        if (whole.ok) {
            m_sSize = whole.size;
            m_sLineSize.width = std::max(m_sLineSize.width, whole.lineSize.width);
            m_sLineSize.height = std::max(m_sLineSize.height, whole.lineSize.height);
            return true;
        }
    }
    m_sSize.width += e.size.width;
    m_sSize.height = std::max(m_sSize.height, e.size.height);
    m_sLineSize.width = std::max(m_sLineSize.width, e.lineSize.width);
    m_sLineSize.height = std::max(m_sLineSize.height, e.lineSize.height);
    return true;
}

void CFText::measureAll(RunFonts& fonts)
{
    m_nBlanks = CountChar(m_szText, ' ');
    const RunExtent e = GetTextExtent(fonts);
    m_sSize = e.size;
    m_sLineSize = e.lineSize;
    m_advance = e.advance;
}

bool CFText::ConsumeChars(RunFonts& fonts, size_t n)
{
    m_szText.erase(0, std::min(n, m_szText.size()));
    m_nBlanks = 0;
    m_sSize = Size{};
    m_advance = 0;
    if (m_szText.empty())
        return true;
    measureAll(fonts);
    return GetTextExtent(fonts).ok;
}

void CFText::TrimLeadingBlanks(RunFonts& fonts)
{
    const size_t first = m_szText.find_first_not_of(' ');
    if (first == 0)
        return;
    m_szText.erase(0, first == std::string::npos ? m_szText.size() : first);
    m_sSize = Size{};
    m_advance = 0;
    m_nBlanks = 0;
    if (!m_szText.empty())
        measureAll(fonts);
}

platform::draw::LogFont ScriptFont(const platform::draw::LogFont& lf)
{
    platform::draw::LogFont small = lf;
    small.width = lf.width / 3 * 2;
    small.height = lf.height / 3 * 2;
    return small;
}

platform::draw::FontHandle CFText::measuringFont(RunFonts& fonts) const
{
    if (!m_pParagraph || m_pParagraph->Font().faceNameView().empty())
        return nullptr;
    const uint16_t effect = m_pParagraph->Effect();
    const bool script = effect == kEffectSuperscript || effect == kEffectSubscript;
    return fonts.FontFor(script ? ScriptFont(m_pParagraph->Font()) : m_pParagraph->Font());
}

RunExtent CFText::GetTextExtent(RunFonts& fonts, std::optional<std::string_view> text) const
{
    const auto font = measuringFont(fonts);
    if (!font)
        return RunExtent{};
    return extentOf(font, font->textWidth(text ? *text : std::string_view(m_szText)));
}

RunExtent CFText::extentOf(const platform::draw::FontHandle& font, int cx) const
{
    RunExtent e;
    if (!font)
        return e;
    const int cy = font->metrics().height;
    e.ok = true;
    e.advance = cx;
    e.lineSize = Size{0, cy};
    const int angle = m_pParagraph->Rotation() % 360;
    if (angle == 0) {
        e.size = Size{cx, cy};
        return e;
    }
    // Rounded rather than cut: the cosine and sine of the right angles come out a hair short
    // of whole numbers in floating point, and a cut would lose a pixel there.
    const double radians = angle * 6.28318530718 / 360.0;
    const int rx = static_cast<int>(std::lround(std::cos(radians) * cx));
    const long most = kMostRise;
    const int incY = static_cast<int>(std::clamp(std::lround(std::sin(radians) * cx), -most, most));
    e.size = Size{rx, cy + incY};
    e.yMove = -incY;
    return e;
}

int TurnedShift(const platform::draw::Dc& dc, const platform::draw::TextMetrics& metrics, int degrees)
{
    const int angle = ((degrees % 360) + 360) % 360;
    if (angle == 0 || angle >= 180)
        return 0;
    // How far the cells reach above the reference point, which the Dc's text alignment says.
    int above = metrics.ascent;
    switch (dc.textAlign()) {
    case platform::draw::TextAlign::Top:
        above = 0;
        break;
    case platform::draw::TextAlign::Bottom:
        above = metrics.height;
        break;
    default:
        break;
    }
    // Turned counter-clockwise, the tops of the cells face left: without a shift the glyphs
    // would stand left of where the run starts, outside an area that starts there.
    const double radians = angle * 6.28318530718 / 360.0;
    return static_cast<int>(std::lround(std::sin(radians) * above));
}

RunExtent CFText::ExtTextOut(platform::draw::Dc* dc, RunFonts& fonts, Point at, std::string_view text,
                             const std::optional<Rect>& clip) const
{
    RunExtent drawn;
    if (dc == nullptr || !m_pParagraph || m_pParagraph->Font().faceNameView().empty())
        return drawn;
    LogFont lf = m_pParagraph->Font();
    lf.escapement = lf.orientation = m_pParagraph->Rotation() * 10;
    const uint16_t effect = m_pParagraph->Effect();
    const bool script = effect == kEffectSuperscript || effect == kEffectSubscript;
    const auto font = fonts.FontFor(lf);
    if (!font)
        return drawn;
    drawn = GetTextExtent(fonts, text);
    dc->setBackgroundColor(platform::draw::Color::fromColorRef(m_pParagraph->BkColor()));
    dc->setTextColor(platform::draw::Color::fromColorRef(m_pParagraph->TextColor()));
    at.x += TurnedShift(*dc, font->metrics(), m_pParagraph->Rotation());
    if (!script) {
        const auto previous = dc->selectFont(font);
        dc->textOut(at, text, clip);
        dc->selectFont(previous);
        return drawn;
    }
    // Sub- and superscript: a font of two thirds, bottom-aligned, moved up by a sixth or down
    // by a third of the character height (GDI heights are negative), the clip moved with it.
    dc->save();
    dc->setTextAlign(platform::draw::TextAlign::Bottom);
    const auto small = fonts.FontFor(ScriptFont(lf));
    if (small) {
        const auto previous = dc->selectFont(small);
        Point p{at.x + lf.width / 2, at.y};
        std::optional<Rect> r = clip;
        if (effect & kEffectSuperscript) {
            const int d = lf.height / 6;
            p.y += d;
            if (r)
                r->bottom += 2 * d;
        } else {
            const int d = lf.height / 3;
            p.y -= d;
            if (r)
                r->top -= 2 * d;
        }
        dc->textOut(p, text, r);
        dc->selectFont(previous);
    }
    dc->restore();
    return drawn;
}

void CFText::Dump(std::string& out) const
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "\npFText=%p>>>>>>>>>>>>>>>>>>", static_cast<const void*>(this));
    out += buf;
    // For the trace: the first characters of the run, however long it is.
    out += "\nszText='" + m_szText.substr(0, 256) + "'";
    if (m_pParagraph)
        m_pParagraph->Dump(out);
    out += "\n<<<<<<<<<<<<<<<<<<<<<<<<<<<<<<<<<<";
}

} // namespace typestone
