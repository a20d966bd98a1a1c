// Flushing, aligning and drawing a line.

#include "typestone/engine/text_formatter.h"

#include <algorithm>

namespace typestone {

using platform::draw::Point;
using platform::draw::Rect;
using platform::draw::Size;

int CTextFormatter::FlushLine(Dc* dc, bool last)
{
    if (m_line.m_szCurrLine.empty())
        return 1;
    m_line.m_bBreakBlanks = false;
    if (m_bClip) {
        // The characters past the right edge are dropped.
        const int room = rightEdge() - leftEdge() - m_line.m_dwX;
        if (measureChars(m_line.m_szCurrLine.size(), nullptr).width > room) {
            const size_t keep = room > 0 ? fitChars(room) : 0;
            const bool fits = keep > 0 && measureChars(keep, nullptr).width <= room;
            const size_t n = fits ? keep : 0;
            m_line.m_szWrappedText.insert(0, m_line.m_szCurrLine.substr(n));
            m_line.m_szCurrLine.resize(n);
            m_line.m_dwLineY = std::max(m_line.m_dwLineY, lineHeightNow());
        }
    }
    const int result = m_line.m_szCurrLine.empty() ? 1 : alignLine(dc, last);
    if (!m_line.m_szCurrLine.empty()) {
        // A first line's margin is for that line alone.
        m_bFirstLineWithMargin = false;
        m_dwLeftMargin = 0;
    }
    m_line.m_szCurrLine.clear();
    m_line.m_pCurrFText = nullptr;
    if (dc != nullptr)
        dc->setTextJustification(0, 0);
    m_nJustifyExtra = 0;
    if (m_bClip) {
        deleteRuns();
        m_line.m_szWrappedText.clear();
    }
    return result;
}

int CTextFormatter::alignLine(Dc* dc, bool last)
{
    const int margin = firstLineMargin();
    m_line.m_dwCurrX = m_line.m_dwLineX + m_line.m_dwX + margin;
    m_line.m_dwCurrY = m_line.m_dwY + m_line.m_dwLineY;
    int width = m_nHorzRes;
    int left = 0;
    if (m_pClipRect != nullptr && !m_pClipRect->Area().isEmpty()) {
        if (m_pClipRect->IsTableCell() && m_pClipRect->Table() != nullptr) {
            m_line.m_dwLineY = std::max(m_line.m_dwLineY, RowHeight(*m_pClipRect->Table()));
            m_line.m_dwCurrY = m_line.m_dwY + m_line.m_dwLineY;
        }
        left = m_pClipRect->Area().left;
        m_line.m_dwCurrX += left;
        m_line.m_dwCurrY += m_pClipRect->Area().top;
        width = m_pClipRect->Area().width();
    }
    uint32_t align = m_wAlign & 3;
    if (align == kAlignJustified && last)
        align = kAlignLeft;
    if (align != kAlignLeft) {
        const Size line = measureLine(false);
        // The free room of the line: what its origin and margin leave of the width.
        const int extra = width - line.width - margin - m_line.m_dwX;
        if (extra > 0) {
            if (align == kAlignJustified) {
                if (m_line.m_nBlanks > 0 && dc != nullptr) {
                    dc->setTextJustification(extra, m_line.m_nBlanks);
                    m_nJustifyExtra = extra;
                }
            } else {
                m_line.m_dwCurrX += extra / (align == kAlignCentered ? 2 : 1);
            }
        }
    }
    return drawLine(dc);
}

int CTextFormatter::drawLine(Dc* dc)
{
    if (dc == nullptr || m_line.m_pFTexts.empty())
        return 0;
    int ruleExtra = 0;
    if (m_pClipRect != nullptr && !m_line.m_szCurrLine.empty()) {
        int h = m_line.m_dwLineY;
        if (m_pClipRect->IsTableCell() && m_pClipRect->Table() != nullptr)
            h = std::max(h, RowHeight(*m_pClipRect->Table()));
        m_line.m_dwLineX = 0;
        m_pClipRect->RuleUnderLine(dc, m_line.m_dwLineY + m_line.m_dwY, h, &ruleExtra);
    }
    size_t remaining = m_line.m_szCurrLine.size();
    for (size_t i = 0; i < m_line.m_pFTexts.size() && remaining > 0;) {
        CFText& run = *m_line.m_pFTexts[i];
        const size_t take = std::min(remaining, run.Text().size());
        if (take > 0) {
            drawRunPart(dc, run, std::string_view(run.Text()).substr(0, take));
            run.ConsumeChars(*this, take);
            remaining -= take;
        }
        if (run.IsEmpty()) {
            if (m_line.m_pFTexts.size() == 1 && m_pClipRect != nullptr)
                m_pClipRect->StoreParagraphFromRun(&run);
            CFText* gone = &run;
            RemoveRun(m_line.m_pFTexts, gone, m_line.m_pCurrFText);
            continue;
        }
        ++i;
    }
    m_line.m_dwLineY += ruleExtra;
    return 1;
}

void CTextFormatter::drawRunPart(Dc* dc, CFText& run, std::string_view part)
{
    std::optional<Rect> clip;
    if (m_bClipped && m_pClipRect != nullptr)
        clip = m_pClipRect->Area();
    if (m_bPrevItalic && !part.empty() && dc->backgroundMode() == platform::draw::BackgroundMode::Opaque &&
        run.IsWhiteBackground()) {
        // The previous run's italic overhang is not painted over by this run's first cell.
        dc->setBackgroundMode(platform::draw::BackgroundMode::Transparent);
        const std::string_view first = part.substr(0, 1);
        const int extra = dc->justificationFor(first);
        const RunExtent e = runTextOut(dc, run, Point{m_line.m_dwCurrX, m_line.m_dwCurrY}, first, clip);
        m_line.m_dwCurrX += e.size.width + extra;
        m_line.m_dwCurrY += e.yMove;
        dc->setBackgroundMode(platform::draw::BackgroundMode::Opaque);
        part.remove_prefix(1);
    }
    m_bPrevItalic = run.Italic() != 0;
    if (part.empty())
        return;
    run.ApplyBkMode(dc);
    const int extra = dc->justificationFor(part);
    const RunExtent e = runTextOut(dc, run, Point{m_line.m_dwCurrX, m_line.m_dwCurrY}, part, clip);
    m_line.m_dwCurrX += e.size.width + extra;
    m_line.m_dwCurrY += e.yMove;
}

RunExtent CTextFormatter::runTextOut(Dc* dc, const CFText& run, Point at, std::string_view text,
                                     const std::optional<Rect>& clip)
{
    const uint16_t effect = run.Paragraph() != nullptr ? run.Paragraph()->Effect() : 0;
    if (effect == kEffectSuperscript || effect == kEffectSubscript) {
        const Rect r = clip.value_or(Rect{});
        trace(kTrzJobs,
              "\n(1)- CFText::SSTextOut()-.....x=%d, y=%d, nOptions=%d, drawRect(%d, %d, %d, %d) data=%s "
              "nEffect=%08x  EFFECT_SUBSCRIPT=%08x \t(nEffect & EFFECT_SUBSCRIPT)=%d",
              at.x, at.y, clip ? 4 : 0, r.left, r.top, r.right, r.bottom, std::string(text.substr(0, 256)),
              static_cast<unsigned>(effect), static_cast<unsigned>(kEffectSubscript),
              static_cast<int>(effect & kEffectSubscript));
    }
    return run.ExtTextOut(dc, *this, at, text, clip);
}

} // namespace typestone
