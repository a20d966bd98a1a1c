#include "typestone/engine/font_text_params.h"

#include "platform/text/sprintf.h"

namespace typestone {

using platform::text::sprintf;

bool SetFontNameParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    face = r.text(32);
    return r.ok();
}

std::string SetFontNameParams::describe() const
{
    return sprintf("Font='%s'", face);
}

bool SetFontSizeParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    nWidth = r.i32();
    nHeight = r.i32();
    fontUnit = r.i32();
    return r.ok();
}

std::string SetFontSizeParams::describe() const
{
    const char* name = fontUnit == k10thPointFont ? "_10THPOINT_FONT"
                       : fontUnit == kColRowFont  ? "_COL_ROW_FONT"
                       : fontUnit == kCpiFont     ? "_CPI_FONT"
                                                  : "Undefined -> _10THPOINT_FONT";
    return sprintf("nHeight=%d, nWidth=%d - Font_Unit=%d->%s", nHeight, nWidth, fontUnit, name);
}

bool SetFontStyleParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    style = r.u16();
    return r.ok();
}

std::string SetFontStyleParams::describe() const
{
    return sprintf("Style=%d", style);
}

bool SetFontColorParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    foreground = r.i32();
    background = r.i32();
    return r.ok();
}

std::string SetFontColorParams::describe() const
{
    return sprintf("FG_color=%d, BG_color=%d", foreground, background);
}

bool SetFontAlignParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    align = r.u16();
    return r.ok();
}

std::string SetFontAlignParams::describe() const
{
    return sprintf("align=0x%08x", static_cast<unsigned>(align));
}

} // namespace typestone
