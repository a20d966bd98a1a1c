// Text entry, measuring, wrapping and moving down.

#include "typestone/engine/text_formatter.h"

#include <algorithm>
#include <cstdint>

namespace typestone {

using platform::draw::Size;

int CTextFormatter::leftEdge() const
{
    return (m_pClipRect != nullptr && !m_pClipRect->Area().isEmpty()) ? m_pClipRect->Area().left : 0;
}

int CTextFormatter::rightEdge() const
{
    return (m_pClipRect != nullptr && !m_pClipRect->Area().isEmpty()) ? m_pClipRect->Area().right
                                                                      : m_nHorzRes;
}

void CTextFormatter::deleteRuns()
{
    m_line.m_pCurrFText = nullptr;
    m_line.m_pFTexts.clear();
}

bool CTextFormatter::addText(std::string_view piece)
{
    if (m_line.m_pCurrFText == nullptr)
        newFText();
    CFText* run = m_line.m_pCurrFText;
    if (run == nullptr)
        return false;
    const RunExtent e = run->GetTextExtent(*this, piece);
    const std::string text(piece);
    run->AddText(*this, text.c_str(), e);
    m_line.m_dwLineX = std::max(m_line.m_dwLineX, e.lineSize.width);
    m_line.m_dwLineY = std::max(m_line.m_dwLineY, e.lineSize.height);
    return true;
}

Size CTextFormatter::measureChars(size_t n, int* blanks)
{
    // A run turned upwards rises from the line's baseline by its length: the line is as tall
    // as that rise and the font's height, so the run stays inside its own line instead of
    // painting over the lines above it (or leaving the area at its top). Each run is drawn
    // where the one before it ended, so the rises of the runs before it lift it further: a
    // turned line is as tall whether its text came as one run or as several.
    constexpr int64_t most = kMostRise;
    Size total;
    int b = 0;
    int64_t rise = 0;
    for (const auto& run : m_line.m_pFTexts) {
        if (n == 0)
            break;
        if (run->IsEmpty())
            continue;
        const size_t len = run->Text().size();
        Size part;
        int lineHeight = 0;
        if (n < len) {
            const std::string_view prefix = std::string_view(run->Text()).substr(0, n);
            const RunExtent e = run->GetTextExtent(*this, prefix);
            part = e.size;
            lineHeight = e.lineSize.height;
            b += static_cast<int>(std::count(prefix.begin(), prefix.end(), ' '));
            n = 0;
        } else {
            part = run->TextSize();
            lineHeight = run->LineSize().height;
            b += run->Blanks();
            n -= len;
        }
        const int64_t height = rise + std::max(lineHeight, part.height);
        total.width += part.width;
        total.height =
            static_cast<int>(std::clamp<int64_t>(std::max<int64_t>(total.height, height), 0, 2 * most));
        rise = std::clamp<int64_t>(rise + part.height - lineHeight, -most, most);
    }
    if (blanks != nullptr)
        *blanks = b;
    return total;
}

Size CTextFormatter::measureLine(bool trim)
{
    if (trim) {
        for (const auto& run : m_line.m_pFTexts) {
            if (run->IsEmpty())
                continue;
            run->TrimLeadingBlanks(*this);
            if (!run->IsEmpty())
                break;
        }
    }
    m_line.m_sLineSize = measureChars(m_line.m_szCurrLine.size(), &m_line.m_nBlanks);
    return m_line.m_sLineSize;
}

size_t CTextFormatter::fitChars(int width)
{
    const size_t n = m_line.m_szCurrLine.size();
    if (n == 0)
        return 0;
    // Widths only grow with more characters: the largest prefix that fits, by halving.
    size_t lo = 1;
    size_t hi = n;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo + 1) / 2;
        if (measureChars(mid, nullptr).width <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

int CTextFormatter::lineHeightNow()
{
    if (m_pClipRect != nullptr && m_pClipRect->IsTableCell() && m_pClipRect->Table() != nullptr)
        return RowHeight(*m_pClipRect->Table());
    if (!m_line.m_szCurrLine.empty())
        return measureChars(m_line.m_szCurrLine.size(), nullptr).height;
    if (m_line.m_pCurrFText != nullptr)
        return m_line.m_pCurrFText->GetTextExtent(*this, std::string_view(" ")).size.height;
    CFText probe(&m_lf, m_fg, m_bg, 0);
    return probe.GetTextExtent(*this, std::string_view(" ")).size.height;
}

int CTextFormatter::FormText2Line(Dc* dc, std::string_view text)
{
    if (dc == nullptr) {
        trace(kTrzJobs, "\nCTextFormatter::FormText2Line(): sale(!pDC)");
        return 0;
    }
    if (m_host != nullptr && m_host->TraceOn(kTrzJobs)) {
        const auto font = dc->font();
        trace(kTrzJobs, "\nCTextFormatter::FormText2Line(): font='%s' nCount=%d",
              font ? std::string(font->logFont().faceNameView().substr(0, 31)) : std::string(),
              static_cast<int>(std::min<size_t>(text.size(), 1u << 30)));
    }
    if (m_pClipRect == nullptr || m_pClipRect->Area().isEmpty())
        SetClipRect(dc, nullptr);
    if (m_pClipRect == nullptr || m_pClipRect->Area().isEmpty()) {
        trace(kTrzJobs, "\nCTextFormatter::FormText2Line(): sale(no area)");
        return 0;
    }
    if (text.empty())
        return 1;
    if (TakesAsBreak(text))
        return 1;
    if (m_line.m_bBreakBlanks) {
        text.remove_prefix(text.find_first_not_of(' '));
        m_line.m_bBreakBlanks = false;
    }
    if (m_line.m_szCurrLine.empty())
        dc->setTextJustification(0, 0);
    m_line.m_szCurrLine.append(text);
    if (!addText(text)) {
        trace(kTrzJobs, "\nCTextFormatter::FormText2Line(): sale(no run)");
        return 0;
    }
    const int result = placeText(dc);
    traceRuns();
    return result;
}

int CTextFormatter::firstLineMargin() const
{
    if (!m_bFirstLineWithMargin)
        return 0;
    const int room = rightEdge() - leftEdge() - m_line.m_dwX;
    return m_dwLeftMargin < room ? m_dwLeftMargin : 0;
}

int CTextFormatter::placeText(Dc* dc)
{
    const int margin = firstLineMargin();
    const Size line = measureLine(false);
    const int newX = leftEdge() + m_line.m_dwX + margin + line.width;
    const int newH = std::max(line.height, m_line.m_dwLineY);
    if (newX > rightEdge()) {
        if (m_bClip) {
            m_line.m_dwCurrX = newX; // cut when drawn
            return 1;
        }
        return forwardWrap(dc);
    }
    m_line.m_dwLineY = newH;
    m_line.m_dwCurrX = newX;
    return 1;
}

bool CTextFormatter::addUpToFirstBrk(std::string& line, std::string& whole, size_t& from, char c)
{
    m_bBrkFound = false;
    if (from >= whole.size())
        return false;
    const size_t start = from;
    while (from < whole.size() && whole[from] == c)
        ++from;
    const size_t p = whole.find(c, from);
    if (p != std::string::npos) {
        m_bBrkFound = true;
        from = p; // the word before the blank; the blank stays for the next call
    } else if (line.find(c) == std::string::npos && start == from) {
        ++from; // a word longer than the line is broken character by character
    } else if (start == from) {
        return false; // the rest goes to the next line
    } else {
        // only blanks moved; the word after them is taken whole when it fits
        from = whole.size();
    }
    line.append(whole, start, from - start);
    return from > start;
}

int CTextFormatter::forwardWrap(Dc* dc)
{
    int result = 1;
    // Each pass draws at least one character, so the loop ends; a cancelled job stops it.
    while (!m_line.m_szCurrLine.empty()) {
        if (m_host != nullptr && m_host->Cancelled())
            return result;
        const int margin = firstLineMargin();
        const int room = rightEdge() - leftEdge() - m_line.m_dwX - margin;
        if (measureChars(m_line.m_szCurrLine.size(), nullptr).width <= room) {
            const Size s = measureLine(false);
            m_line.m_dwCurrX = leftEdge() + m_line.m_dwX + margin + s.width;
            m_line.m_dwLineY = std::max(m_line.m_dwLineY, s.height);
            return result;
        }
        std::string whole = std::move(m_line.m_szCurrLine);
        std::string line;
        size_t from = 0;
        size_t fitted = 0; // characters of the last state that fitted
        while (addUpToFirstBrk(line, whole, from, ' ')) {
            if (measureChars(line.size(), nullptr).width > room)
                break;
            fitted = line.size();
        }
        // Nothing fitted (the first word alone is wider than the rectangle): it is broken by
        // characters instead of being lost.
        m_line.m_szCurrLine = whole;
        if (fitted == 0)
            fitted = fitChars(room);
        m_line.m_szCurrLine = whole.substr(0, fitted);
        m_line.m_szWrappedText = whole.substr(fitted);
        const Size s = measureLine(false);
        m_line.m_dwCurrX = leftEdge() + m_line.m_dwX + margin + s.width;
        // As high as the line as cut: what was measured before held text that now goes on the
        // next line (a turned run rises with its length), and would make this line's height
        // depend on where the text came in pieces.
        m_line.m_dwLineY = s.height;
        // The margin goes with the first line: drawing it ends the margin, and the lines
        // after it start at the paragraph's own x.
        result = commonWrap(dc);
    }
    return result;
}

int CTextFormatter::commonWrap(Dc*& dc)
{
    const int result = FlushLine(dc, false);
    if (m_host != nullptr)
        m_host->FmtEndLine();
    refreshDc(dc);
    std::string rest = std::move(m_line.m_szWrappedText);
    m_line.m_szWrappedText.clear();
    const size_t first = rest.find_first_not_of(' ');
    rest.erase(0, first == std::string::npos ? rest.size() : first);
    m_line.m_szCurrLine = std::move(rest);
    if (m_line.m_szCurrLine.empty()) {
        deleteRuns();
        m_line.m_bBreakBlanks = true;
        return result;
    }
    const Size s = measureLine(true);
    m_line.m_dwLineY = s.height;
    m_line.m_dwCurrX = leftEdge() + m_line.m_dwX + s.width;
    return result;
}

void CTextFormatter::SetX(Dc* dc, int x)
{
    m_line.m_bBreakBlanks = false;
    if (dc != nullptr)
        FlushLine(dc, true);
    m_line.m_dwLineX = 0;
    m_line.m_dwX = x;
    m_line.m_dwCurrX = x + leftEdge();
    if (x == 0)
        m_bPrevItalic = false;
}

void CTextFormatter::SetY(Dc* dc, int y)
{
    m_line.m_bBreakBlanks = false;
    if (dc != nullptr)
        FlushLine(dc, true);
    m_line.m_dwY = y;
    m_line.m_dwCurrY =
        y + ((m_pClipRect != nullptr && !m_pClipRect->Area().isEmpty()) ? m_pClipRect->Area().top : 0);
    m_line.m_dwLineY = 0;
}

void CTextFormatter::AdvanceX(Dc* dc, int width)
{
    SetX(dc, m_line.m_dwCurrX - leftEdge() + width);
}

int CTextFormatter::NewLine(Dc* dc, int defaultHeight, int* outY)
{
    m_line.m_bBreakBlanks = false;
    if (m_line.m_dwLineY == 0 && m_dwSemiLineY != 0) {
        m_line.m_dwLineY = m_dwSemiLineY;
        m_dwSemiLineY = 0;
    }
    if (m_pClipRect == nullptr || m_pClipRect->Area().isEmpty())
        SetClipRect(dc, nullptr);
    if (m_pClipRect == nullptr)
        return 0;
    if (m_line.m_dwLineY == 0)
        m_line.m_dwLineY = lineHeightNow();
    if (m_line.m_dwLineY <= 0)
        m_line.m_dwLineY = std::max(1, defaultHeight);
    int x = m_line.m_dwX;
    int y = m_line.m_dwY;
    int height = m_pClipRect->Area().height();
    if (y < height)
        y += m_line.m_dwLineY;
    // A line fits while its bottom (origin + height) stays inside the rectangle.
    for (int guard = 0; y + m_line.m_dwLineY > height && guard <= kMaxRects; ++guard) {
        if (!m_pClipRect->IsChained()) {
            y = 2 * m_line.m_dwLineY + height; // below the area: cut
            break;
        }
        if (m_line.m_szWrappedText.empty())
            m_bPageEndPending = true;
        const int lineY = m_line.m_dwLineY;
        CPrtRect* next =
            m_pClipRect == m_pDfltClipRect.get() ? nullptr : nextActiveRect(dc, m_pClipRect->Index());
        if (next != nullptr) {
            x = m_line.m_dwX;
            y = m_line.m_dwY;
            if (m_line.m_dwLineY == 0)
                m_line.m_dwLineY = lineY > 0 ? lineY : std::max(1, defaultHeight);
            height = m_pClipRect->Area().height();
            continue;
        }
        if (anyActiveOnPage(m_nPage + 1))
            return 0; // a new page is needed
        y = m_pClipRect->Area().bottom + 2 * m_line.m_dwLineY - m_pClipRect->Area().top;
        m_bPageEndPending = false;
        break;
    }
    SetX(nullptr, x);
    SetY(nullptr, y);
    if (outY != nullptr)
        *outY = y;
    return 1;
}

} // namespace typestone
