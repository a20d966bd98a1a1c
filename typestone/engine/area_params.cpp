#include "typestone/engine/area_params.h"

#include "platform/text/sprintf.h"

namespace typestone {

using platform::text::sprintf;

bool SetDfltUnitsParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    units = r.u32();
    columns = r.u16();
    rows = r.u16();
    return r.ok();
}

std::string SetDfltUnitsParams::describe() const
{
    return sprintf("units=0x%08x, cols=%u, rows=%u", units, unsigned{columns}, unsigned{rows});
}

bool SetDCAParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    flags = r.u32();
    units = r.u32();
    x = r.i32();
    y = r.i32();
    cx = r.i32();
    cy = r.i32();
    r.skip(2);
    columns = r.i32();
    rows = r.i32();
    return r.ok();
}

std::string SetDCAParams::describe() const
{
    return sprintf("flags=0x%08x, units=0x%08x, x=%d, y=%d, cx=%d, cy=%d, cols=%d, rows=%d", flags, units, x,
                   y, cx, cy, columns, rows);
}

bool PrtWindowParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    window = r.u16();
    page = r.u16();
    x = r.i32();
    y = r.i32();
    cx = r.i32();
    cy = r.i32();
    flags = r.u32();
    return r.ok();
}

std::string PrtWindowParams::describe() const
{
    return sprintf("wnr=%u, pag=%u, x=%d, y=%d, cx=%d, cy=%d, flags=0x%08x", unsigned{window}, unsigned{page},
                   x, y, cx, cy, flags);
}

bool PrtSelectAreaParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    window = r.u16();
    r.skip(2);
    mode = r.i32();
    return r.ok();
}

std::string PrtSelectAreaParams::describe() const
{
    const unsigned win = window;
    return sprintf("win=%u (0x%08x), mode=%d (0x%08x)", win, win, mode, static_cast<unsigned>(mode));
}

bool PrtChangeAreaParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    window = r.u16();
    r.skip(2);
    lastPage = r.u16();
    r.skip(2);
    flags = r.u32();
    return r.ok();
}

std::string PrtChangeAreaParams::describe() const
{
    return sprintf("win=%u, last page=%u, flags=0x%08x", unsigned{window}, unsigned{lastPage}, flags);
}

bool SetPosParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    x = r.i32();
    y = r.i32();
    units = r.u32();
    rect = r.u16();
    return r.ok();
}

std::string SetPosParams::describe() const
{
    return sprintf("x=%d, y=%d, units=0x%08x, rect=%u", x, y, units, unsigned{rect});
}

bool SetRotationParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    angle = r.u16();
    units = r.u32();
    return r.ok();
}

std::string SetRotationParams::describe() const
{
    return sprintf("angle=%u, units=0x%08x", unsigned{angle}, units);
}

bool SetPrtModeParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    mode = r.u16();
    return r.ok();
}

std::string SetPrtModeParams::describe() const
{
    return sprintf("mode=0x%04x", unsigned{mode});
}

int AngleInDegrees(uint16_t angle, uint32_t units, uint32_t defaultUnits)
{
    const uint32_t unit =
        (units & kAngleUnitMask) != 0 ? (units & kAngleUnitMask) : (defaultUnits & kAngleUnitMask);
    if (unit != kAngleRadians)
        return angle;
    return static_cast<int>(angle * 360.0 / 6.28318530718);
}

} // namespace typestone
