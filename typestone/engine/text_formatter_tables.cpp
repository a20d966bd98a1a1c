// Table rows: cells that advance together.

#include "typestone/engine/text_formatter.h"

#include <algorithm>

namespace typestone {

int CTextFormatter::RowHeight(const CTable& row) const
{
    int h = 0;
    for (int n = row.First(); n <= row.Last(); ++n) {
        const CPrtRect* cell = RectAt(n);
        if (cell == nullptr)
            continue;
        h = std::max(h, cell == m_pClipRect ? m_line.m_dwLineY
                                            : const_cast<CPrtRect*>(cell)->SavedState().m_dwLineY);
    }
    return h;
}

void CTextFormatter::advanceRow(Dc*& dc, CTable& row, bool skipCurrent)
{
    if (row.Busy())
        return;
    row.SetBusy(true);
    CPrtRect* previous = m_pClipRect;
    const int page = m_nPage;
    const int height = RowHeight(row);
    for (int n = row.First(); n <= row.Last(); ++n) {
        CPrtRect* cell = RectAt(n);
        if (cell == nullptr || (skipCurrent && cell == previous))
            continue;
        if (!setCurrentRect(dc, cell))
            continue;
        if (m_line.m_szCurrLine.empty())
            m_line.m_dwLineY = std::max(m_line.m_dwLineY, height);
        if (m_host != nullptr)
            m_host->FmtDown();
        refreshDc(dc);
        if (m_nPage != page)
            break;
    }
    if (m_nPage == page)
        setCurrentRect(dc, previous);
    row.SetBusy(false);
}

int CTextFormatter::AdvanceTableRow(Dc* dc)
{
    CPrtRect* current = m_pClipRect;
    if (current == nullptr || !current->IsTableCell() || current->Table() == nullptr)
        return 0;
    advanceRow(dc, *current->Table(), false);
    setCurrentRect(dc, current);
    return 1;
}

bool CTextFormatter::PrintRecordInRow(Dc* dc, const std::string& text, char separator)
{
    const CPrtRect* current = m_pClipRect;
    if (current == nullptr || !current->IsTableCell() || current->Table() == nullptr)
        return false;
    PrintTextInRects(dc, std::string_view(text), separator);
    return true;
}

int CTextFormatter::PrintTextInRects(Dc* dc, std::string_view text, char separator)
{
    CPrtRect* current = m_pClipRect;
    if (current == nullptr || !current->IsTableCell() || current->Table() == nullptr) {
        if (m_host != nullptr)
            m_host->FmtPrintData(text);
        return 1;
    }
    CTable& row = *current->Table();
    const int page = m_nPage;
    for (int n = current->Index(); n <= row.Last(); ++n) {
        CPrtRect* cell = RectAt(n);
        if (cell == nullptr || !setCurrentRect(dc, cell))
            continue;
        std::string_view field;
        if (!text.empty()) {
            const size_t cut = text.find(separator);
            field = text.substr(0, cut);
            text = cut == std::string_view::npos ? std::string_view{} : text.substr(cut + 1);
            const size_t b = field.find_first_not_of(' ');
            field = b == std::string_view::npos ? std::string_view{} : field.substr(b);
            const size_t e = field.find_last_not_of(' ');
            field = e == std::string_view::npos ? std::string_view{} : field.substr(0, e + 1);
        }
        if (m_host != nullptr)
            m_host->FmtPrintData(field);
        refreshDc(dc);
    }
    advanceRow(dc, row, false);
    if (m_nPage == page)
        setCurrentRect(dc, RectAt(row.First()) != nullptr ? RectAt(row.First()) : current);
    return 1;
}

} // namespace typestone
