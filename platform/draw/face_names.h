#pragma once
// Face name tests shared by the font engines (internal to platform/draw).

#include <string_view>

namespace platform::draw {

// Equal without regard to ASCII case.
bool sameFaceName(std::string_view a, std::string_view b);
// `text` contains `part`, without regard to ASCII case.
bool containsFaceName(std::string_view text, std::string_view part);
// A line-draw face: the name begins with "Video Terminal" or "MS LineDraw", or contains
// "PLM WorkStation" (any case). Such faces hold the OEM layout's glyphs.
bool isLineDrawFaceName(std::string_view name);

} // namespace platform::draw
