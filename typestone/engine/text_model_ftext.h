#pragma once
// One run of the text formatter: text still to be printed in one style, with its measured
// extent. The formatter owns its runs; a print rectangle or a parked wrap state holds them
// while they are not the formatter's current line.

#include "typestone/engine/text_model_paragraph.h"

#include "platform/draw/dc.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace typestone {

// Where runs get their fonts from (the formatter keeps the fonts it made).
class RunFonts
{
public:
    virtual ~RunFonts() = default;
    // The font for the record, or null when none can be had.
    virtual platform::draw::FontHandle FontFor(const platform::draw::LogFont& lf) = 0;
};

// How far a turned run may rise (or fall) from its baseline: far below an int's range, as
// rises become line heights that positions add up (a run that long is cut by its area anyway).
inline constexpr int kMostRise = 1 << 24;

// The extent of a piece of text in a run's style.
struct RunExtent
{
    platform::draw::Size size;     // may be negative in y for text turned downwards
    platform::draw::Size lineSize; // (0, height)
    int advance = 0;               // the width before turning
    int yMove = 0;                 // how far the next text moves in y (rotated text)
    bool ok = false;               // false: nothing measured (no face, no font)
};

class CFText
{
public:
    using LogFont = platform::draw::LogFont;

    CFText();
    CFText(const LogFont* lf, uint32_t fg, uint32_t bg, uint16_t effect);

    // Appends text measured alone as `e`; false (and nothing changes) for null text. A turned
    // run rises by its whole length, not by the sum of its pieces' rises: its extent is worked
    // out again from the whole run's advance, so it is the same however the text came in.
    bool AddText(RunFonts& fonts, const char* text, const RunExtent& e);
    // Drops the first n characters; measures the rest again. True when measured or empty.
    bool ConsumeChars(RunFonts& fonts, size_t n);
    // Removes the leading blanks and measures again.
    void TrimLeadingBlanks(RunFonts& fonts);

    // The extent of `text` (the whole run when null) in this run's style: sub- and
    // superscripts in their smaller font, rotation applied (signed).
    RunExtent GetTextExtent(RunFonts& fonts, std::optional<std::string_view> text = std::nullopt) const;
    // Draws `text` at `at` on the Dc in the run's style; returns the extent drawn.
    RunExtent ExtTextOut(platform::draw::Dc* dc, RunFonts& fonts, platform::draw::Point at,
                         std::string_view text, const std::optional<platform::draw::Rect>& clip) const;

    const std::string& Text() const { return m_szText; }
    platform::draw::Size TextSize() const { return m_sSize; }
    platform::draw::Size LineSize() const { return m_sLineSize; }
    int Blanks() const { return m_nBlanks; }
    bool IsEmpty() const { return m_szText.empty(); }

    CParagraph* Paragraph() const { return m_pParagraph.get(); }
    void SetAlignWord(uint16_t w) { m_pParagraph->SetAlignWord(w); }
    void SetBkMode(int mode) { m_pParagraph->SetBkMode(mode); }
    void SetTextColor(uint32_t c) { m_pParagraph->SetTextColor(c); }
    void SetBkColor(uint32_t c) { m_pParagraph->SetBkColor(c); }
    void SetRotation(uint16_t a) { m_pParagraph->SetRotation(a); }
    void SetFont(const LogFont* lf) { m_pParagraph->SetFont(lf); }
    bool IsWhiteBackground() const { return !m_pParagraph || m_pParagraph->IsWhiteBackground(); }
    uint8_t Italic() const { return m_pParagraph ? m_pParagraph->Italic() : 0; }
    void ApplyBkMode(platform::draw::Dc* dc) const
    {
        if (m_pParagraph)
            m_pParagraph->ApplyBkMode(dc);
    }
    void Dump(std::string& out) const;

private:
    void measureAll(RunFonts& fonts);
    // The extent of text `advance` wide (before turning) in this run's style, in `font`.
    RunExtent extentOf(const platform::draw::FontHandle& font, int advance) const;
    // The font the run's text is measured with, or null.
    platform::draw::FontHandle measuringFont(RunFonts& fonts) const;

    std::string m_szText;
    platform::draw::Size m_sSize;
    platform::draw::Size m_sLineSize;
    int m_advance = 0; // the whole text's width before turning
    int m_nBlanks = 0;
    std::unique_ptr<CParagraph> m_pParagraph;
};

// How far a run turned by `degrees` is drawn right of where it starts, so that its glyphs lie
// right of the start (as an unturned line's lie below its top): the part of the cells above
// the Dc's reference point, turned. 0 for unturned runs and for runs turned downwards.
int TurnedShift(const platform::draw::Dc& dc, const platform::draw::TextMetrics& metrics, int degrees);

// The smaller font of sub- and superscripts: two thirds of width and height (divided first).
platform::draw::LogFont ScriptFont(const platform::draw::LogFont& lf);

} // namespace typestone
