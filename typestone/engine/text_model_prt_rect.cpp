#include "typestone/engine/text_model_prt_rect.h"

#include <algorithm>
#include <cstdio>

namespace typestone {

using platform::draw::Brush;
using platform::draw::Color;
using platform::draw::Pen;
using platform::draw::PenStyle;
using platform::draw::Point;
using platform::draw::Rect;

void RemoveRun(RunList& runs, CFText* run, CFText*& current)
{
    if (current == run)
        current = nullptr;
    std::erase_if(runs, [run](const std::unique_ptr<CFText>& r) { return r.get() == run; });
}

CPrtRect::CPrtRect() : CPrtRect(nullptr, 0, 0, 0, 0x1E0) {}

CPrtRect::CPrtRect(const Rect* rect, int number, int firstPage, int lastPage, uint32_t options)
    : m_rect(rect ? *rect : Rect{}), m_nIndex(number), m_nFirstPage(firstPage), m_nLastPage(lastPage),
      m_pParagraph(std::make_unique<CParagraph>()), m_dwOptions(options)
{
}

void CPrtRect::SetStyle(uint16_t style)
{
    m_wStyle = style;
    if (m_pParagraph)
        m_pParagraph->SetAlignWord(style);
}

void CPrtRect::SetLastPage(int lastPage, uint32_t options)
{
    m_nLastPage = lastPage;
    m_dwOptions = options;
}

bool CPrtRect::IsActiveOnPage(int page, bool needSelection) const
{
    if (needSelection && !(m_dwOptions & 0x40))
        return false;
    if (m_nLastPage != 0 && page > m_nLastPage)
        return false;
    if (m_nFirstPage != 0 && page < m_nFirstPage)
        return false;
    if (page > m_nFirstPage)
        return (m_dwOptions & ((page & 1) ? 0x100u : 0x80u)) != 0;
    return true;
}

bool CPrtRect::IsExpired(int page) const
{
    if (m_nLastPage != 0 && page > m_nLastPage)
        return true;
    if (m_dwOptions & 0x180)
        return false;
    return page > m_nFirstPage;
}

void CPrtRect::DrawRect(platform::draw::Dc* dc, uint32_t color)
{
    if (dc == nullptr)
        return;
    m_crFrame = color;
    const Rect r{m_rect.left - 2, m_rect.top - 2, m_rect.right + 2, m_rect.bottom + 2};
    const Pen previous = dc->selectPen(Pen{PenStyle::Solid, 2, Color::fromColorRef(color)});
    dc->moveTo(Point{r.left, r.top});
    dc->lineTo(Point{r.left, r.bottom});
    dc->lineTo(Point{r.right, r.bottom});
    dc->lineTo(Point{r.right, r.top});
    dc->lineTo(Point{r.left, r.top});
    dc->selectPen(previous);
}

void CPrtRect::Fill(platform::draw::Dc* dc, uint16_t fillBits, uint32_t color)
{
    m_crFill = color;
    if (dc == nullptr)
        return;
    switch (fillBits & 0xC0) {
    case 0x40:
        dc->fillRect(m_rect, Brush::solid(Color{192, 192, 192}));
        break;
    case 0x80:
        dc->fillRect(m_rect, Brush::solid(platform::draw::kWhite));
        break;
    case 0xC0:
        dc->fillRect(m_rect, Brush::solid(Color::fromColorRef(color)));
        break;
    default:
        break;
    }
}

void CPrtRect::DrawDecoration(platform::draw::Dc* dc)
{
    // The fill first would paint over the frame's inner half; the frame lies outside the
    // area, so the order only matters where the two meet.
    if (m_wStyle & 0x20)
        DrawRect(dc, m_crFrame);
    if (m_wStyle & 0xC0)
        Fill(dc, m_wStyle & 0xC0, m_crFill);
    m_saved.m_dwX = m_saved.m_dwY = 0;
    m_saved.m_dwLineY = m_saved.m_dwLineX = 0;
    m_saved.m_dwCurrX = m_rect.left;
    m_saved.m_dwCurrY = m_rect.top;
}

void CPrtRect::DrawRule(platform::draw::Dc* dc, int y, uint32_t color, int width)
{
    if (dc == nullptr)
        return;
    // The rule's colour is its own: the frame keeps its colour for the next pages.
    m_crRule = color;
    const int descent = dc->textMetrics().descent;
    const Pen previous = dc->selectPen(Pen{PenStyle::Solid, width, Color::fromColorRef(color)});
    const int at = m_rect.top + y + width + descent;
    dc->moveTo(Point{m_rect.left, at});
    dc->lineTo(Point{m_rect.right, at});
    dc->selectPen(previous);
}

bool CPrtRect::RuleUnderLine(platform::draw::Dc* dc, int y, int lineHeight, int* extra)
{
    if (extra != nullptr)
        *extra = 0;
    if (!(m_dwOptions & 0x200) || dc == nullptr)
        return false;
    const int h = lineHeight;
    const int w = std::max(1, h >= 40 ? 20 : h / 10);
    DrawRule(dc, y, m_crFill == 0xFFFFFF ? 0xF0F0F0 : 0xFFFFFF, w);
    if (extra != nullptr)
        *extra = w + 5;
    return true;
}

void CPrtRect::SaveState(FormatterLine& line, uint16_t attr, const CFText* currentRun, bool withStyle)
{
    if (m_bSaved)
        return;
    m_saved = std::move(line);
    line = FormatterLine{};
    line.m_dwX = m_saved.m_dwX; // the position stays the formatter's until another is current
    line.m_dwY = m_saved.m_dwY;
    line.m_dwCurrX = m_saved.m_dwCurrX;
    line.m_dwCurrY = m_saved.m_dwCurrY;
    line.m_dwLineY = m_saved.m_dwLineY;
    line.m_dwLineX = m_saved.m_dwLineX;
    if (withStyle) {
        m_wAttr = attr;
        if (currentRun != nullptr && currentRun->Paragraph() != nullptr)
            StoreParagraphFromRun(currentRun);
    }
    m_bSaved = true;
}

bool CPrtRect::TakeState(FormatterLine& line, uint16_t* attr)
{
    if (!m_bSaved)
        return false;
    line = std::move(m_saved);
    m_saved = FormatterLine{};
    m_saved.m_dwX = line.m_dwX;
    m_saved.m_dwY = line.m_dwY;
    m_saved.m_dwCurrX = line.m_dwCurrX;
    m_saved.m_dwCurrY = line.m_dwCurrY;
    m_saved.m_dwLineY = line.m_dwLineY;
    if (attr != nullptr)
        *attr = m_wAttr;
    m_bSaved = false;
    return true;
}

void CPrtRect::CopySettingsFrom(const CPrtRect& rect, uint16_t attr, const CFText* run, bool withStyle)
{
    m_crFrame = rect.m_crFrame;
    m_crFill = rect.m_crFill;
    if (withStyle)
        m_wStyle = rect.m_wStyle;
    m_wAttr = attr;
    if (run != nullptr && run->Paragraph() != nullptr) {
        StoreParagraphFromRun(run);
        // A fresh position: the state is applied when the rectangle first becomes current.
        m_saved = FormatterLine{};
        m_saved.m_dwCurrX = m_rect.left;
        m_saved.m_dwCurrY = m_rect.top;
        m_bSaved = true;
    }
}

bool CPrtRect::StoreParagraphFromRun(const CFText* run)
{
    if (run == nullptr || run->Paragraph() == nullptr)
        return false;
    if (!m_pParagraph)
        m_pParagraph = std::make_unique<CParagraph>();
    m_pParagraph->CopyFrom(*run->Paragraph());
    return true;
}

void CPrtRect::DeleteRuns()
{
    m_saved.m_pFTexts.clear();
    m_saved.m_pCurrFText = nullptr;
}

void CPrtRect::Dump(std::string& out) const
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "\npPrtRect=%p-------------------------(%u)",
                  static_cast<const void*>(this), static_cast<unsigned>(m_nIndex));
    out += buf;
    if (m_pParagraph)
        m_pParagraph->Dump(out);
    for (const auto& run : m_saved.m_pFTexts)
        run->Dump(out);
    out += "\n--------------------------------------------";
}

} // namespace typestone
