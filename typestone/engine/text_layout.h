#pragma once
// What the job's commands ask of the text formatter: alignment, effects, rotation, print
// rectangles and the decoration of the current area. The formatter implements it; the font
// mapper owns the formatter and hands it out (CFontMapper::Layout(), null while a mapper has
// none), so the command handlers depend on this interface only, and tests can record what a
// command asked for.

#include "platform/draw/dc.h"
#include "platform/draw/font_engine.h"

#include <cstdint>
#include <string>

namespace typestone {

// Alignment word: bits 0-1 alignment, 0x08 clip, 0x20 frame, 0x40/0x80/0xC0 fills.
inline constexpr uint16_t kAlignLeft = 0;
inline constexpr uint16_t kAlignCentered = 1;
inline constexpr uint16_t kAlignRight = 2;
inline constexpr uint16_t kAlignJustified = 3;
inline constexpr uint16_t kAlignClip = 0x08;
inline constexpr uint16_t kAlignFrame = 0x20;
inline constexpr uint16_t kFillMask = 0xC0;

// Text effects.
inline constexpr uint16_t kEffectSuperscript = 1;
inline constexpr uint16_t kEffectSubscript = 2;

// Options of a print rectangle (the 0x7E0 bits a command may give).
inline constexpr uint32_t kRectChained = 0x20;
inline constexpr uint32_t kRectPageSelection = 0x40;
inline constexpr uint32_t kRectEvenPages = 0x80;
inline constexpr uint32_t kRectOddPages = 0x100;
inline constexpr uint32_t kRectRule = 0x200;
inline constexpr uint32_t kRectTableCell = 0x400;
inline constexpr uint32_t kRectOptionMask = 0x7E0;

class TextLayout
{
public:
    virtual ~TextLayout() = default;

    // The attribute word of the text that follows (italic, bold, underline, ...).
    virtual uint16_t AttrWord() const = 0;
    virtual void SetAttrWord(uint16_t attr) = 0;

    // The font and colours of the text that follows (a new run when they change).
    virtual void SetFont(const platform::draw::LogFont& lf) = 0;
    virtual void SetTextColor(uint32_t colorRef) = 0;
    virtual void SetBkColor(uint32_t colorRef) = 0;
    virtual void SetBkMode(int mode) = 0;

    // The current rectangle's style word and the current run's alignment word.
    virtual void SetAlignWord(uint16_t align) = 0;
    // The alignment of the lines that follow; with a device context the pending lines are
    // flushed first.
    virtual void SetAlign(uint16_t align, platform::draw::Dc* dc) = 0;
    virtual uint16_t AlignWord() const = 0;
    virtual void SetEffect(uint16_t effect, platform::draw::Dc* dc) = 0;
    virtual uint16_t Effect() const = 0;

    // Rotation of the text that follows, whole degrees counter-clockwise.
    virtual void SetRotation(int degrees) = 0;
    virtual int Rotation() const = 0;
    // When set, a rectangle that becomes current brings its own style back.
    virtual void SetRectStyle(bool on) = 0;

    // Decoration of the current print area.
    virtual void DrawFrame(platform::draw::Dc* dc) = 0;
    virtual void FillArea(platform::draw::Dc* dc, uint16_t fillBits) = 0;

    // Print rectangles ("windows"), numbered by the host. Results as the formatter's (1 or 0).
    virtual int DefineRect(platform::draw::Dc* dc, const platform::draw::Rect& rect, int number,
                           int firstPage, int lastPage, uint32_t options) = 0;
    virtual int SelectRect(int number, platform::draw::Dc* dc, bool memo) = 0;
    // The rectangle at `position` in the list (from 0); 0 when there is none.
    virtual int SetRectPages(int position, int lastPage, uint32_t options) = 0;
    // Moves the position inside the rectangle `number` (-1 keeps the current one).
    virtual int SetPos(platform::draw::Dc* dc, int number, int x, int y) = 0;
    // The position inside the current rectangle, and the rectangle's area in pixels.
    virtual platform::draw::Point Pos() const = 0;
    virtual platform::draw::Rect CurrentArea() const = 0;

    // A record (8-bit page text): when the current rectangle is a table cell, its fields, cut
    // at `separator` and trimmed, fill the cells of the row (an empty line where the text runs
    // out) and the row advances; true. False when there is no table row: the caller prints the
    // record as it stands.
    virtual bool PrintRecordInRow(platform::draw::Dc* dc, const std::string& text, char separator)
    {
        (void)dc;
        (void)text;
        (void)separator;
        return false;
    }

    // Recorded page actions are about to play at the top of a new page: remember the current
    // area, whether the current line is empty, and the text the last page's wrapping carried
    // over.
    virtual void BeginPageActions() {}
    // They have played: the remembered area is current again. When the current line was empty
    // before they played and wrapped text was carried over, that text is handed over (it is no
    // longer held here) for the engine to print after the actions; otherwise empty.
    virtual std::string EndPageActions() { return {}; }
};

} // namespace typestone
