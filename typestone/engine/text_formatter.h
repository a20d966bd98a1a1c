#pragma once
// CTextFormatter lays out a job's text in print rectangles: it collects text into runs of one
// style, wraps lines at blanks at the right edge, aligns each finished line (left, centred,
// right, justified, or clipped), draws it on the device context it is given, moves down line by
// line, continues in the next rectangle when a chained one is full, decorates rectangles at
// each page start and keeps table rows of rectangles whose cells advance together.
//
// Split by concern: text_formatter_lines.cpp (text entry, wrapping, lines), text_formatter_draw.cpp
// (alignment and drawing), text_formatter_rects.cpp (rectangles and pages),
// text_formatter_tables.cpp (table rows), text_formatter.cpp (style and the layout interface).

#include "typestone/engine/text_formatter_host.h"
#include "typestone/engine/text_layout.h"
#include "typestone/engine/text_model_ftext.h"
#include "typestone/engine/text_model_line.h"
#include "typestone/engine/text_model_prt_rect.h"
#include "typestone/engine/text_model_table.h"
#include "typestone/engine/text_model_wrap_context.h"
#include "typestone/engine/trace_areas.h"

#include "platform/draw/dc.h"
#include "platform/draw/font_engine.h"
#include "platform/text/sprintf.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace typestone {

class CTextFormatter : public TextLayout, private RunFonts
{
public:
    using Dc = platform::draw::Dc;
    using Rect = platform::draw::Rect;
    using LogFont = platform::draw::LogFont;

    // Rectangle numbers a host may give: 0 .. kMaxRects - 1.
    static constexpr int kMaxRects = 1000;

    CTextFormatter(FormatterHost* host, platform::draw::FontEngine* engine);
    ~CTextFormatter() override;
    CTextFormatter(const CTextFormatter&) = delete;
    CTextFormatter& operator=(const CTextFormatter&) = delete;

    void SetFontEngine(platform::draw::FontEngine* engine);

    // --- text and lines ---
    // Adds the text to the line; draws nothing until the line is flushed (wrap, position,
    // rectangle or page change). 0 without a Dc, an area or a run.
    int FormText2Line(Dc* dc, std::string_view text);
    // Aligns and draws the current line; `last` ends a paragraph (justified lines stay left).
    int FlushLine(Dc* dc, bool last);
    // Moves down one line; 0 when the text needs a new page. `*y` gets the new line origin.
    int NewLine(Dc* dc, int defaultHeight, int* y);
    void SetX(Dc* dc, int x);
    void SetY(Dc* dc, int y);
    void AdvanceX(Dc* dc, int width);
    // The line height the next new line takes when none was measured (box characters).
    void SetSemiLineY(int h) { m_dwSemiLineY = h; }
    // A first line of a justified paragraph starting after a margin.
    void SetLeftMargin(int margin)
    {
        m_dwLeftMargin = margin;
        m_bFirstLineWithMargin = margin > 0;
    }
    // Widens the first line's margin (its blanks came in more than one piece); bounded.
    void AddLeftMargin(int width)
    {
        constexpr int64_t kMostMargin = int64_t{1} << 30;
        const int64_t base = m_bFirstLineWithMargin ? m_dwLeftMargin : 0;
        SetLeftMargin(static_cast<int>(std::clamp<int64_t>(base + width, 0, kMostMargin)));
    }
    bool HasPendingText() const { return m_bPageEndPending || !m_line.m_szWrappedText.empty(); }
    bool HasLine() const { return !m_line.m_szCurrLine.empty(); }
    // True when `text` holds only blanks that the last wrap's break takes: nothing of it is drawn.
    bool TakesAsBreak(std::string_view text) const
    {
        return m_line.m_bBreakBlanks && text.find_first_not_of(' ') == std::string_view::npos;
    }
    // Whether the line follows a wrap and still takes the blanks that come next; a page that
    // starts in the middle of a wrapped text carries that over to its first line.
    bool OwesBreakBlanks() const { return m_line.m_bBreakBlanks; }
    void OweBreakBlanks() { m_line.m_bBreakBlanks = m_line.m_szCurrLine.empty(); }
    // A wrapped line was just drawn and its rest waits for the next line.
    bool HasWrappedText() const { return !m_line.m_szWrappedText.empty(); }
    const std::string& CurrentLine() const { return m_line.m_szCurrLine; }
    // Whether a command asked for layout: an alignment other than left, clipping, an effect,
    // a rotation, or a print rectangle of its own.
    bool InUse() const;

    // --- rectangles and pages ---
    int NewPage(Dc* dc, int increment);
    void FlushAll(Dc* dc);
    // Sets the current rectangle's area; null with a Dc: the whole page.
    void SetClipRect(Dc* dc, const Rect* rect);
    void ResetArea(int areaId, Dc* dc);
    int Page() const { return m_nPage; }
    bool OnDefaultRect() const { return m_pClipRect == nullptr || m_pClipRect == m_pDfltClipRect.get(); }
    // Where the next text goes: x absolute, y the top of the line (absolute).
    platform::draw::Point OutputPos() const;
    CPrtRect* CurrentRect() const { return m_pClipRect; }
    CPrtRect* RectAt(int number) const;
    // Every rectangle with its area, pages, options, style and pending runs, for the trace.
    std::string StatusReport() const;
    // Writes the status report when the job traces its status (kTrzStatus).
    void TraceStatusReport() const;

    // --- tables ---
    int PrintTextInRects(Dc* dc, std::string_view text, char separator);
    // A record: its fields into the cells of the current table row (true); false when the
    // current rectangle is no table cell, so the caller prints the record as it stands.
    bool PrintRecordInRow(Dc* dc, const std::string& text, char separator) override;
    int AdvanceTableRow(Dc* dc);
    int RowHeight(const CTable& row) const;

    // --- style ---
    void SetFontRecord(const LogFont& lf, bool newRun);
    void SetTextColorValue(uint32_t c, bool newRun);
    void SetBkColorValue(uint32_t c, bool newRun);
    void SetBkModeValue(Dc* dc, int mode, bool notify, bool newRun);
    void SetEffectValue(uint16_t e, bool newRun);
    void SetRotationValue(uint16_t degrees, bool newRun);
    const LogFont& Font() const { return m_lf; }
    int TextAlignValue() const { return m_nTextAlign; }
    void SetTextAlignValue(int v) { m_nTextAlign = v; }

    // --- TextLayout ---
    uint16_t AttrWord() const override { return m_wAttr; }
    void SetAttrWord(uint16_t attr) override { m_wAttr = attr; }
    void SetFont(const LogFont& lf) override { SetFontRecord(lf, true); }
    void SetTextColor(uint32_t colorRef) override { SetTextColorValue(colorRef, true); }
    void SetBkColor(uint32_t colorRef) override { SetBkColorValue(colorRef, true); }
    void SetBkMode(int mode) override { SetBkModeValue(nullptr, mode, false, true); }
    void SetAlignWord(uint16_t align) override;
    void SetAlign(uint16_t align, Dc* dc) override;
    uint16_t AlignWord() const override { return static_cast<uint16_t>(m_wAlign); }
    void SetEffect(uint16_t effect, Dc* dc) override;
    uint16_t Effect() const override { return m_nEffect; }
    void SetRotation(int degrees) override;
    int Rotation() const override { return m_wAngle; }
    void SetRectStyle(bool on) override { m_bRectStyle = on; }
    void DrawFrame(Dc* dc) override;
    void FillArea(Dc* dc, uint16_t fillBits) override;
    int DefineRect(Dc* dc, const Rect& rect, int number, int firstPage, int lastPage,
                   uint32_t options) override;
    int SelectRect(int number, Dc* dc, bool memo) override;
    int SetRectPages(int position, int lastPage, uint32_t options) override;
    int SetPos(Dc* dc, int number, int x, int y) override;
    platform::draw::Point Pos() const override;
    platform::draw::Rect CurrentArea() const override;

private:
    platform::draw::FontHandle FontFor(const LogFont& lf) override;

    // One trace line under `mask` when the job traces that area.
    template <typename... Args> void trace(uint32_t mask, const char* format, const Args&... args) const
    {
        if (m_host != nullptr && m_host->TraceOn(mask))
            m_host->TraceText(platform::text::sprintf(format, args...));
    }
    // The runs of the line, one trace line each.
    void traceRuns() const;
    // Draws a piece of a run (and traces a sub- or superscript's placement).
    RunExtent runTextOut(Dc* dc, const CFText& run, platform::draw::Point at, std::string_view text,
                         const std::optional<Rect>& clip);

    // lines (text_formatter_lines.cpp)
    bool addText(std::string_view piece);
    // Where the line just added to goes: on in the line, wrapped, or on in the next rectangle.
    int placeText(Dc* dc);
    // Extent of the first n characters of the runs (the line); blanks into `*blanks`.
    platform::draw::Size measureChars(size_t n, int* blanks);
    platform::draw::Size measureLine(bool trim);
    // How many of the line's first characters fit in `width` pixels (at least 1 when any).
    size_t fitChars(int width);
    int forwardWrap(Dc* dc);
    // `dc` is the one to draw on after the line end (the page may have changed).
    int commonWrap(Dc*& dc);
    bool addUpToFirstBrk(std::string& line, std::string& whole, size_t& from, char c);
    int lineHeightNow();
    int rightEdge() const;
    int leftEdge() const;
    // The first line's margin while the line being laid out is that first line; a margin that
    // leaves the line no room is not kept.
    int firstLineMargin() const;
    void deleteRuns();

    // drawing (text_formatter_draw.cpp)
    int alignLine(Dc* dc, bool last);
    int drawLine(Dc* dc);
    void drawRunPart(Dc* dc, CFText& run, std::string_view part);

    // rectangles (text_formatter_rects.cpp)
    int setCurrentRect(Dc* dc, CPrtRect* rect);
    void restoreStyle(const CParagraph& p);
    CPrtRect* nextActiveRect(Dc* dc, int after);
    void flushRect(Dc* dc, CPrtRect* rect);
    void parkWrap();
    void unparkWrap();
    bool anyActiveOnPage(int page) const;
    CPrtRect* defaultRect();

    // tables (text_formatter_tables.cpp)
    void advanceRow(Dc*& dc, CTable& row, bool skipCurrent);
    // After a call to the host: the context drawn on from now.
    void refreshDc(Dc*& dc)
    {
        if (m_host != nullptr)
            dc = m_host->FmtDc(dc);
    }

    // style
    bool newFText();
    void chkCurrFText(const CParagraph& p);

    FormatterHost* m_host;
    platform::draw::FontEngine* m_engine;
    std::vector<std::pair<LogFont, platform::draw::FontHandle>> m_fonts;

    FormatterLine m_line;
    int m_dwSemiLineY = 0;
    LogFont m_lf{};
    uint32_t m_fg = 0;
    uint32_t m_bg = 0xFFFFFF;
    int m_nBkMode = 2;
    uint16_t m_wAngle = 0;
    uint16_t m_nEffect = 0;
    uint32_t m_wAlign = 0;
    bool m_bClip = false;
    int m_nTextAlign = 24;
    bool m_bPrevItalic = false;
    bool m_bBrkFound = false;
    bool m_bFirstLineWithMargin = false;
    int m_dwLeftMargin = 0;
    int m_nJustifyExtra = 0;
    uint16_t m_wAttr = 0;
    bool m_bRectStyle = false;
    bool m_bRectsDefined = false;
    std::vector<std::unique_ptr<CTable>> m_pTables;
    std::vector<std::unique_ptr<CPrtRect>> m_pDocRects;
    CPrtRect* m_pClipRect = nullptr;
    std::unique_ptr<CPrtRect> m_pDfltClipRect;
    int m_nHorzRes = 0;
    int m_nVertRes = 0;
    int m_nAreaId = 0;
    int m_nPage = 0;
    bool m_bRectMemo = false;
    int m_nMemoRect = 0;
    int m_nMemoPage = 0;
    bool m_bPageEndPending = false;
    std::unique_ptr<CWrapContext> m_pWrapContext;
    bool m_bClipped = false; // ClippedTextOut (the area clips) or UnClippedTextOut
};

} // namespace typestone
