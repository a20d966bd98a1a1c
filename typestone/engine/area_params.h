#pragma once
// The parameter blocks of the area and position commands, read and described like the font
// and text commands' blocks. Each `decode` reads the padded block and is false only when the
// block is shorter than its layout.

#include "typestone/engine/esc_block.h"

#include <cstdint>
#include <string>

namespace typestone {

// The units word: bits 0-4 the length unit (0 the default one), bits 28-31 the angle unit.
inline constexpr uint32_t kLengthUnitMask = 0x1F;
inline constexpr uint32_t kAngleUnitMask = 0xF0000000u;
inline constexpr uint32_t kAngleRadians = 0x40000000u;

// SetDfltUnits (18): u32 units at 0, u16 columns at 4, u16 rows at 6.
struct SetDfltUnitsParams
{
    static constexpr uint32_t kMinLen = 8;
    uint32_t units = 0;
    uint16_t columns = 0;
    uint16_t rows = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetDCA (2): u32 flags at 0, u32 units at 4, the area x, y, cx, cy at 8..20 (i32), columns
// at 26 and rows at 30 (i32; 24-25 are not read).
struct SetDCAParams
{
    static constexpr uint32_t kMinLen = 34;
    static constexpr uint32_t kChangeOrientation = 0x8000;
    static constexpr uint32_t kLandscape = 0x100;
    static constexpr uint32_t kNewPage = 0x10000;
    static constexpr uint32_t kFrame = 0x20;
    uint32_t flags = 0;
    uint32_t units = 0;
    int32_t x = 0, y = 0, cx = 0, cy = 0;
    int32_t columns = 0, rows = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// PrtWindow (5): u16 window at 0, u16 first page at 2, i32 x, y, cx, cy at 4..16, u32 flags
// and units at 20.
struct PrtWindowParams
{
    static constexpr uint32_t kMinLen = 24;
    uint16_t window = 0;
    uint16_t page = 0;
    int32_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t flags = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// PrtSelectArea (15): u16 window number at 0, u16 unused at 2, i32 mode at 4.
struct PrtSelectAreaParams
{
    static constexpr uint32_t kMinLen = 8;
    uint16_t window = 0;
    int32_t mode = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// PrtChangeArea (16): u16 position in the list at 0, u16 last page at 4, u32 flags at 8.
struct PrtChangeAreaParams
{
    static constexpr uint32_t kMinLen = 12;
    uint16_t window = 0;
    uint16_t lastPage = 0;
    uint32_t flags = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetPos (19): i32 x at 0, i32 y at 4, u32 units at 8, u16 rectangle at 12 (0xFFFF: the
// current one).
struct SetPosParams
{
    static constexpr uint32_t kMinLen = 14;
    static constexpr uint16_t kCurrentRect = 0xFFFF;
    int32_t x = 0, y = 0;
    uint32_t units = 0;
    uint16_t rect = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetRotation (17): u16 angle at 0, u32 units at 2.
struct SetRotationParams
{
    static constexpr uint32_t kMinLen = 6;
    uint16_t angle = 0;
    uint32_t units = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// SetPrtMode (11): u16 mode at 0 (0x100 landscape, 0x400 rectangle style).
struct SetPrtModeParams
{
    static constexpr uint32_t kMinLen = 2;
    static constexpr uint16_t kLandscape = 0x100;
    static constexpr uint16_t kRectStyle = 0x400;
    uint16_t mode = 0;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// The angle in whole degrees: radians (angle unit kAngleRadians of `units`, or of the default
// units when `units` has none) are turned into degrees and cut to an integer.
int AngleInDegrees(uint16_t angle, uint32_t units, uint32_t defaultUnits);

} // namespace typestone
