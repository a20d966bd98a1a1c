#pragma once
// The installed face that stands for a Windows face a host names (internal to platform/draw).

#include "platform/draw/code_page.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::draw {

struct FaceAlias
{
    std::string family;      // installed family
    CodePage codePage;       // the glyph layout of the Windows face
    bool fixedPitch;         // the Windows face is monospaced
    std::uint8_t familyBits; // LogFont kFamily* of the Windows face
};

// The alias of a Windows face name (any case): "Courier New", "Arial", "Times New Roman",
// "Terminal", "Symbol", "Lucida Console" and the line-draw faces; nullopt for other names.
std::optional<FaceAlias> faceAlias(std::string_view windowsFace);

// The face to use when a name is neither an alias nor installed (nor given): the Liberation
// face of the record's pitch and family (fixed pitch or modern: Mono; roman: Serif; else Sans).
FaceAlias fallbackFace(std::uint8_t pitchAndFamily);

} // namespace platform::draw
