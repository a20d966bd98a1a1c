#pragma once
// A numbered print rectangle: its area, page range, frame, fill and rule, its style, and the
// formatter's line state while it is not the current rectangle.

#include "typestone/engine/text_model_line.h"
#include "typestone/engine/text_model_paragraph.h"

#include "platform/draw/dc.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace typestone {

class CTable;

class CPrtRect
{
public:
    CPrtRect(); // the default rectangle: empty, chained, page-selected, even and odd pages
    CPrtRect(const platform::draw::Rect* rect, int number, int firstPage, int lastPage, uint32_t options);

    const platform::draw::Rect& Area() const { return m_rect; }
    void SetArea(const platform::draw::Rect& r) { m_rect = r; }
    int Index() const { return m_nIndex; }
    CTable* Table() const { return m_pTable; }
    void SetTable(CTable* t) { m_pTable = t; }
    CParagraph* Paragraph() const { return m_pParagraph.get(); }
    uint32_t FrameColor() const { return m_crFrame; }
    uint32_t FillColor() const { return m_crFill; }
    uint32_t RuleColor() const { return m_crRule; }
    int FirstPage() const { return m_nFirstPage; }
    int LastPage() const { return m_nLastPage; }
    uint32_t Options() const { return m_dwOptions; }
    uint16_t Style() const { return m_wStyle; }
    void SetStyle(uint16_t style);
    void SetLastPage(int lastPage, uint32_t options);

    bool IsActiveOnPage(int page, bool needSelection) const;
    bool IsExpired(int page) const;
    bool IsChained() const { return (m_dwOptions & 0x20) != 0; }
    bool IsTableCell() const { return (m_dwOptions & 0x400) != 0; }

    // Frame 2 pixels outside the area in `color` (which becomes the frame colour).
    void DrawRect(platform::draw::Dc* dc, uint32_t color);
    // Fill of the area: 0x40 light grey, 0x80 white, 0xC0 `color`; others nothing.
    void Fill(platform::draw::Dc* dc, uint16_t fillBits, uint32_t color);
    // The page start's frame and fill by the style word; the saved position goes back to the
    // rectangle's top left.
    void DrawDecoration(platform::draw::Dc* dc);
    // A horizontal rule across the area at top + y + width + the font's descent.
    void DrawRule(platform::draw::Dc* dc, int y, uint32_t color, int width);
    // The rule under a line of height `lineHeight` (rule option only): false without one.
    // `extra` is the height the rule adds to the line.
    bool RuleUnderLine(platform::draw::Dc* dc, int y, int lineHeight, int* extra);

    // Line state: the formatter's state moves in while the rectangle is not current.
    bool IsSaved() const { return m_bSaved; }
    void SaveState(FormatterLine& line, uint16_t attr, const CFText* currentRun, bool withStyle);
    // Moves the saved state back; false when nothing is saved.
    bool TakeState(FormatterLine& line, uint16_t* attr);
    FormatterLine& SavedState() { return m_saved; }
    // A new rectangle takes over the look of the current one.
    void CopySettingsFrom(const CPrtRect& rect, uint16_t attr, const CFText* run, bool withStyle);
    bool StoreParagraphFromRun(const CFText* run);
    void DeleteRuns();
    uint16_t SavedAttr() const { return m_wAttr; }
    void Dump(std::string& out) const;

private:
    platform::draw::Rect m_rect{};
    int m_nIndex = 0;
    CTable* m_pTable = nullptr;
    uint32_t m_crFrame = 0;
    uint32_t m_crFill = 0xFFFFFF;
    uint32_t m_crRule = 0;
    int m_nFirstPage = 0;
    int m_nLastPage = 0;
    std::unique_ptr<CParagraph> m_pParagraph;
    uint16_t m_wStyle = 0;
    uint32_t m_dwOptions = 0;
    bool m_bSaved = false;
    uint16_t m_wAttr = 0;
    FormatterLine m_saved;
};

} // namespace typestone
