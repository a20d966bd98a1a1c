#pragma once
// The metrics of a created font, with the fields and meanings of the Windows TEXTMETRIC.
// All sizes are whole device pixels.

#include <cstdint>

namespace platform::draw {

// pitchAndFamily bits. Note the Windows sense of the pitch bit: it is SET for a face of
// VARIABLE pitch and clear for a monospaced one.
inline constexpr std::uint8_t kTmpfVariablePitch = 0x01;
inline constexpr std::uint8_t kTmpfVector = 0x02;
inline constexpr std::uint8_t kTmpfTrueType = 0x04; // here: a scalable outline font
inline constexpr std::uint8_t kTmpfDevice = 0x08;

struct TextMetrics
{
    int height = 0;          // ascent + descent: the cell height
    int ascent = 0;          // from the face's usWinAscent, scaled
    int descent = 0;         // from the face's usWinDescent, scaled
    int internalLeading = 0; // height - em height
    int externalLeading = 0; // extra line gap the face asks for
    int aveCharWidth = 0;    // xAvgCharWidth scaled (equals LogFont::width when that was given)
    int maxCharWidth = 0;    // advanceWidthMax scaled
    int weight = 400;
    int overhang = 0;
    int digitizedAspectX = 96;
    int digitizedAspectY = 96;
    std::uint8_t firstChar = 0x20; // first and last byte the face defines
    std::uint8_t lastChar = 0xFF;
    std::uint8_t defaultChar = 0x1F; // stands for bytes the face has no glyph for
    std::uint8_t breakChar = 0x20;
    std::uint8_t italic = 0;
    std::uint8_t underlined = 0;
    std::uint8_t struckOut = 0;
    std::uint8_t pitchAndFamily = 0; // kTmpf* bits | family (LogFont kFamily*)
    std::uint8_t charSet = 0;        // kAnsiCharset, kSymbolCharset or kOemCharset

    bool operator==(const TextMetrics&) const = default;
};

} // namespace platform::draw
