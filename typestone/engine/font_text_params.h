#pragma once
// The parameter blocks of the font and text commands. Each struct reads its block with
// `decode` (false when the block is shorter than the layout) and describes itself for the
// trace and the error texts.

#include "typestone/engine/esc_block.h"

#include <cstdint>
#include <string>

namespace typestone {

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

} // namespace typestone
