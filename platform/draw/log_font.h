#pragma once
// The logical font record a job asks for: the layout and field meanings of the Windows LOGFONT
// (ANSI form), so that records the hosts send, and the engine's byte-for-byte comparisons of
// them, keep working. Exactly 60 bytes, no padding.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::draw {

// lfWeight
inline constexpr std::int32_t kWeightDontCare = 0; // the face's normal weight (400)
inline constexpr std::int32_t kWeightNormal = 400;
inline constexpr std::int32_t kWeightBold = 700;

// lfCharSet
inline constexpr std::uint8_t kAnsiCharset = 0;
inline constexpr std::uint8_t kDefaultCharset = 1;
inline constexpr std::uint8_t kSymbolCharset = 2;
inline constexpr std::uint8_t kOemCharset = 255;

// lfOutPrecision
inline constexpr std::uint8_t kOutTtPrecision = 4;

// lfPitchAndFamily: pitch in the low two bits, family in bits 4-7.
inline constexpr std::uint8_t kDefaultPitch = 0x00;
inline constexpr std::uint8_t kFixedPitch = 0x01;
inline constexpr std::uint8_t kVariablePitch = 0x02;
inline constexpr std::uint8_t kFamilyDontCare = 0x00;
inline constexpr std::uint8_t kFamilyRoman = 0x10;
inline constexpr std::uint8_t kFamilySwiss = 0x20;
inline constexpr std::uint8_t kFamilyModern = 0x30;
inline constexpr std::uint8_t kFamilyScript = 0x40;
inline constexpr std::uint8_t kFamilyDecorative = 0x50;

inline constexpr std::size_t kFaceNameSize = 32; // including the terminating zero

struct LogFont
{
    // < 0: the character (em) height in pixels is -height; > 0: the cell height
    // (ascent + descent) is height; 0: a default size (kDefaultEmPixels of the engine).
    std::int32_t height = 0;
    // The average character width in pixels; the face is scaled horizontally so that its
    // average width is exactly this. 0: the face's natural width for the height.
    std::int32_t width = 0;
    std::int32_t escapement = 0;           // text direction, tenths of a degree counter-clockwise
    std::int32_t orientation = 0;          // kept; glyphs turn with the escapement
    std::int32_t weight = kWeightDontCare; // 0..1000; 600 and more select the bold face
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = kAnsiCharset;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    char faceName[kFaceNameSize] = {}; // zero-terminated and zero-filled after the name

    // Copies at most 31 bytes of name and zero-fills the rest.
    void setFaceName(std::string_view name);
    // The face name up to its first zero byte (never past the array).
    std::string_view faceNameView() const;

    // Byte-for-byte equality, the face name array included.
    bool operator==(const LogFont& other) const;
};

static_assert(sizeof(LogFont) == 60, "LogFont must keep the 60-byte LOGFONT layout");
static_assert(alignof(LogFont) == 4);

// A font record with the given face and height, everything else zero.
LogFont makeLogFont(std::string_view faceName, std::int32_t height, std::int32_t width = 0);

// A record whose height is in tenths of a point (a "point font") turned into pixels for a
// device of dpiY dots per inch: height = -round(|pt10| * dpiY / 720), as a character height;
// the width is scaled the same way.
LogFont pointFontToPixels(const LogFont& pointFont, int dpiY);

} // namespace platform::draw
