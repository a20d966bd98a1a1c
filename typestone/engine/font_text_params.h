#pragma once
// The parameter blocks of the font and text commands. Each struct reads its block with
// `decode` (false when the block is shorter than the layout) and describes itself for the
// trace and the error texts.

#include "typestone/engine/esc_block.h"

#include <cstdint>
#include <string>

namespace typestone {

// ChangeFont (1): u32 dwOptions at 0; the size block at 4 (i32 unit, i32 height, i32 width,
// u32 area unit, i32 area width, i32 area height); bytes 28-29 unused; the foreground and the
// background COLORREF at 30 and 34; the face name, 32 bytes, at 38.
struct ChangeFontParams
{
    static constexpr uint32_t kMinLen = 70;
    // dwOptions: the low byte is an attribute word (with kSetAttr).
    static constexpr uint32_t kTransparent = 0x00000100;
    static constexpr uint32_t kSetAttr = 0x01000000;
    static constexpr uint32_t kSetSize = 0x02000000;
    static constexpr uint32_t kSetFace = 0x04000000;
    static constexpr uint32_t kSetForeground = 0x08000000;
    static constexpr uint32_t kSetBackground = 0x10000000;
    uint32_t options = 0;
    int32_t unit = 0;
    int32_t height = 0;
    int32_t width = 0;
    uint32_t areaUnit = 0;
    int32_t areaWidth = 0;
    int32_t areaHeight = 0;
    uint32_t foreground = 0;
    uint32_t background = 0;
    std::string face;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetFontName (6): the face name, 32 bytes.
struct SetFontNameParams
{
    static constexpr uint32_t kMinLen = 32;
    std::string face;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetFontSize (7): i32 nWidth at 0, i32 nHeight at 4, i32 Font_Unit at 8.
struct SetFontSizeParams
{
    static constexpr uint32_t kMinLen = 12;
    // Font_Unit: tenths of a point, columns and rows, characters per inch; any other value
    // acts as tenths of a point.
    static constexpr int32_t k10thPointFont = 0;
    static constexpr int32_t kColRowFont = 1;
    static constexpr int32_t kCpiFont = 2;
    int32_t nWidth = 0;
    int32_t nHeight = 0;
    int32_t fontUnit = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetFontStyle (8): u16 Style (the attribute word) at 0.
struct SetFontStyleParams
{
    static constexpr uint32_t kMinLen = 2;
    uint16_t style = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetFontColor (9): foreground at 0, background at 4, each 0x00RRGGBB.
struct SetFontColorParams
{
    static constexpr uint32_t kMinLen = 8;
    int32_t foreground = 0;
    int32_t background = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetFontAlign (10): u16 align at 0.
struct SetFontAlignParams
{
    static constexpr uint32_t kMinLen = 2;
    uint16_t align = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetFontEffect (40): u16 effect at 0.
struct SetFontEffectParams
{
    static constexpr uint32_t kMinLen = 2;
    uint16_t effect = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

} // namespace typestone
