#include "platform/draw/face_alias.h"

#include "platform/draw/face_names.h"
#include "platform/draw/log_font.h"

namespace platform::draw {

namespace {

struct Entry
{
    const char* windowsFace;
    const char* family;
    CodePage codePage;
    bool fixedPitch;
    std::uint8_t familyBits;
};

constexpr Entry kAliases[] = {
    {"Courier New", "Liberation Mono", CodePage::Ansi, true, kFamilyModern},
    {"Arial", "Liberation Sans", CodePage::Ansi, false, kFamilySwiss},
    {"Times New Roman", "Liberation Serif", CodePage::Ansi, false, kFamilyRoman},
    {"Lucida Console", "DejaVu Sans Mono", CodePage::Ansi, true, kFamilyModern},
    // OEM faces: DejaVu Sans Mono holds every code page 437 glyph, box drawing included.
    {"Terminal", "DejaVu Sans Mono", CodePage::Oem, true, kFamilyModern},
    {"Symbol", "DejaVu Sans", CodePage::Symbol, false, kFamilyDecorative},
};

} // namespace

std::optional<FaceAlias> faceAlias(std::string_view windowsFace)
{
    for (const Entry& entry : kAliases) {
        if (sameFaceName(windowsFace, entry.windowsFace)) {
            return FaceAlias{entry.family, entry.codePage, entry.fixedPitch, entry.familyBits};
        }
    }
    if (isLineDrawFaceName(windowsFace)) {
        return FaceAlias{"DejaVu Sans Mono", CodePage::Oem, true, kFamilyModern};
    }
    return std::nullopt;
}

FaceAlias fallbackFace(std::uint8_t pitchAndFamily)
{
    const std::uint8_t family = pitchAndFamily & 0xF0;
    if ((pitchAndFamily & 0x03) == kFixedPitch || family == kFamilyModern) {
        return FaceAlias{"Liberation Mono", CodePage::Ansi, true, kFamilyModern};
    }
    if (family == kFamilyRoman) {
        return FaceAlias{"Liberation Serif", CodePage::Ansi, false, kFamilyRoman};
    }
    return FaceAlias{"Liberation Sans", CodePage::Ansi, false, kFamilySwiss};
}

} // namespace platform::draw
