#include "typestone/engine/font_text_params.h"

#include "platform/text/sprintf.h"

namespace typestone {

using platform::text::sprintf;

bool ChangeFontParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    options = r.u32();
    unit = r.i32();
    height = r.i32();
    width = r.i32();
    areaUnit = r.u32();
    areaWidth = r.i32();
    areaHeight = r.i32();
    r.skip(2);
    foreground = r.u32();
    background = r.u32();
    face = r.text(32);
    return r.ok();
}

std::string ChangeFontParams::describe() const
{
    return sprintf("dwOptions=0x%08x, unit=%d, height=%d, width=%d, area unit=%u, area=%d x %d, "
                   "FG_color=0x%08x, BG_color=0x%08x, Font='%s'",
                   options, unit, height, width, areaUnit, areaWidth, areaHeight, foreground, background,
                   face);
}

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

bool SetFontEffectParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    effect = r.u16();
    return r.ok();
}

std::string SetFontEffectParams::describe() const
{
    return sprintf("effect=%u", static_cast<unsigned>(effect));
}

} // namespace typestone
