// Print rectangles, areas and pages.

#include "typestone/engine/text_formatter.h"

#include <algorithm>

namespace typestone {

using platform::draw::Rect;

CPrtRect* CTextFormatter::RectAt(int number) const
{
    if (number < 0 || static_cast<size_t>(number) >= m_pDocRects.size())
        return nullptr;
    return m_pDocRects[static_cast<size_t>(number)].get();
}

CPrtRect* CTextFormatter::defaultRect()
{
    if (!m_pDfltClipRect)
        m_pDfltClipRect = std::make_unique<CPrtRect>();
    return m_pDfltClipRect.get();
}

void CTextFormatter::SetClipRect(Dc* dc, const Rect* rect)
{
    if (dc != nullptr) {
        const auto caps = dc->caps();
        m_nHorzRes = caps.width;
        m_nVertRes = caps.height;
    }
    const bool hadRect = m_pClipRect != nullptr;
    if (m_pClipRect == nullptr) {
        m_pClipRect = defaultRect();
        uint16_t attr = 0;
        if (m_pClipRect->TakeState(m_line, &attr) && m_bRectStyle)
            m_wAttr = attr;
    }
    Rect area = rect != nullptr ? *rect : Rect{};
    if (rect != nullptr || dc != nullptr) {
        if (area.isEmpty())
            area = Rect{0, 0, m_nHorzRes, m_nVertRes};
        m_bClipped = true;
    } else {
        area = Rect{};
        m_bClipped = false;
    }
    m_pClipRect->SetArea(area);
    if (hadRect) {
        SetX(nullptr, 0);
        SetY(nullptr, 0);
    }
}

void CTextFormatter::ResetArea(int areaId, Dc* dc)
{
    if (areaId == m_nAreaId)
        return;
    m_nAreaId = areaId;
    const Rect empty{};
    SetClipRect(dc, &empty);
}

void CTextFormatter::restoreStyle(const CParagraph& p)
{
    SetAlignWord(p.AlignWord());
    SetFontRecord(p.Font(), false);
    SetBkModeValue(nullptr, p.BkMode(), true, false);
    SetBkColorValue(p.BkColor(), false);
    SetTextColorValue(p.TextColor(), false);
    SetRotationValue(p.Rotation(), false);
    chkCurrFText(p);
}

int CTextFormatter::setCurrentRect(Dc* dc, CPrtRect* rect)
{
    (void)dc;
    if (rect == nullptr)
        return 0;
    if (rect == m_pClipRect)
        return 1;
    if (!rect->IsActiveOnPage(m_nPage, false))
        return 0;
    if (m_pClipRect != nullptr)
        m_pClipRect->SaveState(m_line, m_wAttr, m_line.m_pCurrFText, m_bRectStyle);
    m_pClipRect = rect;
    m_bClipped = true;
    uint16_t attr = 0;
    if (rect->TakeState(m_line, &attr)) {
        if (m_bRectStyle) {
            m_wAttr = attr;
            if (rect->Paragraph() != nullptr)
                restoreStyle(*rect->Paragraph());
        }
    } else {
        m_line.m_dwX = m_line.m_dwY = m_line.m_dwLineX = m_line.m_dwLineY = 0;
        m_line.m_dwCurrX = rect->Area().left;
        m_line.m_dwCurrY = rect->Area().top;
    }
    return 1;
}

int CTextFormatter::SelectRect(int number, Dc* dc, bool memo)
{
    CPrtRect* rect = RectAt(number);
    if (rect == nullptr && number == 0)
        rect = defaultRect();
    if (rect == nullptr || !setCurrentRect(dc, rect))
        return 0;
    m_bRectMemo = memo;
    m_nMemoRect = number;
    m_nMemoPage = std::max(m_nPage, 1);
    return 1;
}

int CTextFormatter::DefineRect(Dc* dc, const Rect& rect, int number, int firstPage, int lastPage,
                               uint32_t options)
{
    if (number < 0 || number >= kMaxRects)
        return 0;
    auto made = std::make_unique<CPrtRect>(&rect, number, firstPage, lastPage, options & kRectOptionMask);
    if (m_pClipRect != nullptr)
        made->CopySettingsFrom(*m_pClipRect, m_wAttr, m_line.m_pCurrFText, m_bRectStyle);
    if (static_cast<size_t>(number) >= m_pDocRects.size())
        m_pDocRects.resize(static_cast<size_t>(number) + 1);
    auto& slot = m_pDocRects[static_cast<size_t>(number)];
    if (slot) {
        if (dc != nullptr)
            flushRect(dc, slot.get());
        if (m_pClipRect == slot.get()) {
            // Its line goes with it; the formatter carries on with the new rectangle.
            m_pClipRect = nullptr;
            deleteRuns();
        }
    }
    slot = std::move(made);
    CPrtRect* stored = slot.get();
    m_bRectsDefined = true;
    if (options & kRectTableCell) {
        CTable* row = nullptr;
        for (const auto& t : m_pTables)
            if (t->Last() + 1 == number || t->Contains(number))
                row = t.get();
        if (row == nullptr) {
            m_pTables.push_back(std::make_unique<CTable>(number));
            row = m_pTables.back().get();
        } else if (row->Last() < number) {
            row->SetLast(number);
        }
        stored->SetTable(row);
    }
    CPrtRect* previous = m_pClipRect;
    if (setCurrentRect(dc, stored)) {
        m_line.m_dwX = m_line.m_dwY = m_line.m_dwLineX = m_line.m_dwLineY = 0;
        m_line.m_dwCurrX = stored->Area().left;
        m_line.m_dwCurrY = stored->Area().top;
    }
    if (previous != nullptr && previous != m_pDfltClipRect.get())
        setCurrentRect(dc, previous);
    if (m_pClipRect == nullptr)
        setCurrentRect(dc, defaultRect());
    return 1;
}

int CTextFormatter::SetRectPages(int position, int lastPage, uint32_t options)
{
    CPrtRect* rect = RectAt(position);
    if (rect == nullptr)
        return 0;
    rect->SetLastPage(lastPage, options & kRectOptionMask);
    return 1;
}

int CTextFormatter::SetPos(Dc* dc, int number, int x, int y)
{
    if (number >= 0 && number != 0xFFFF && !SelectRect(number, dc, false))
        return 0;
    SetX(dc, x);
    SetY(dc, y);
    return 1;
}

bool CTextFormatter::anyActiveOnPage(int page) const
{
    for (const auto& r : m_pDocRects)
        if (r && r->IsActiveOnPage(page, true))
            return true;
    return m_pClipRect == m_pDfltClipRect.get() && m_pDfltClipRect &&
           m_pDfltClipRect->IsActiveOnPage(page, true);
}

void CTextFormatter::parkWrap()
{
    if (m_bPageEndPending || !m_line.m_szWrappedText.empty())
        m_pWrapContext = std::make_unique<CWrapContext>(m_line);
    else
        m_pWrapContext.reset();
}

void CTextFormatter::unparkWrap()
{
    if (!m_pWrapContext)
        return;
    deleteRuns();
    m_pWrapContext->Restore(m_line);
    m_pWrapContext.reset();
}

CPrtRect* CTextFormatter::nextActiveRect(Dc* dc, int after)
{
    const bool pending = HasPendingText();
    for (int n = std::max(0, after + 1); n < static_cast<int>(m_pDocRects.size()); ++n) {
        CPrtRect* rect = RectAt(n);
        if (rect == nullptr || !rect->IsActiveOnPage(m_nPage, pending))
            continue;
        // The pending line goes with the text into the next rectangle.
        auto parked = std::make_unique<CWrapContext>(m_line);
        flushRect(dc, rect);
        const bool selected = setCurrentRect(dc, rect) != 0;
        if (selected && m_bPageEndPending && !rect->IsTableCell()) {
            m_bPageEndPending = false;
            NewLine(dc, 0, nullptr);
        }
        m_bPageEndPending = false;
        deleteRuns();
        parked->Restore(m_line);
        if (selected)
            return rect;
    }
    return nullptr;
}

void CTextFormatter::flushRect(Dc* dc, CPrtRect* rect)
{
    if (rect == nullptr)
        return;
    if (rect == m_pClipRect) {
        FlushLine(dc, true);
        deleteRuns();
        return;
    }
    if (!rect->IsSaved())
        return; // never current: nothing to draw
    CPrtRect* previous = m_pClipRect;
    if (!setCurrentRect(dc, rect))
        return;
    FlushLine(dc, true);
    deleteRuns();
    if (previous != nullptr)
        setCurrentRect(dc, previous);
}

void CTextFormatter::FlushAll(Dc* dc)
{
    parkWrap();
    FlushLine(dc, true);
    CPrtRect* current = m_pClipRect;
    for (const auto& r : m_pDocRects)
        if (r && r.get() != current)
            flushRect(dc, r.get());
    if (m_pDfltClipRect && m_pDfltClipRect.get() != current)
        flushRect(dc, m_pDfltClipRect.get());
    if (current != nullptr && m_pClipRect != current)
        setCurrentRect(dc, current);
    unparkWrap();
}

int CTextFormatter::NewPage(Dc* dc, int increment)
{
    m_nPage += increment;
    parkWrap();
    if (dc != nullptr) {
        const auto caps = dc->caps();
        m_nHorzRes = caps.width;
        m_nVertRes = caps.height;
    }
    CPrtRect* current = m_pClipRect;
    if (current != nullptr)
        current->SaveState(m_line, m_wAttr, m_line.m_pCurrFText, m_bRectStyle);
    auto decorate = [&](CPrtRect& r) {
        if (r.IsActiveOnPage(m_nPage, false)) {
            r.DrawDecoration(dc);
            if (!r.IsSaved()) {
                FormatterLine fresh;
                r.SaveState(fresh, m_wAttr, nullptr, false);
                r.SavedState().m_dwCurrX = r.Area().left;
                r.SavedState().m_dwCurrY = r.Area().top;
            }
        }
    };
    for (auto& r : m_pDocRects) {
        if (!r)
            continue;
        if (r->IsExpired(m_nPage)) {
            if (current == r.get())
                current = nullptr;
            r.reset();
            continue;
        }
        decorate(*r);
    }
    if (m_pDfltClipRect)
        decorate(*m_pDfltClipRect);
    m_pClipRect = nullptr;
    CPrtRect* back = current != nullptr ? current : defaultRect();
    m_pClipRect = back;
    uint16_t attr = 0;
    if (back->TakeState(m_line, &attr) && m_bRectStyle)
        m_wAttr = attr;
    if (back->Area().isEmpty() && back == m_pDfltClipRect.get() && dc != nullptr)
        back->SetArea(Rect{0, 0, m_nHorzRes, m_nVertRes});
    unparkWrap();
    if (!(m_bRectMemo && m_nMemoPage == m_nPage)) {
        for (const auto& r : m_pDocRects) {
            if (r && r->IsActiveOnPage(m_nPage, true)) {
                parkWrap();
                setCurrentRect(dc, r.get());
                unparkWrap();
                break;
            }
        }
    }
    m_bRectMemo = false;
    return m_nPage;
}

} // namespace typestone
