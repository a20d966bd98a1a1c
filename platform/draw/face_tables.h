#pragma once
// The values the metrics are made from, read from an outline face's own tables (head, hhea,
// OS/2, post, hmtx), in font units (internal to platform/draw).

#include <QRawFont>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::draw {

struct FaceTables
{
    int unitsPerEm = 0;
    int winAscent = 0;  // OS/2 usWinAscent
    int winDescent = 0; // OS/2 usWinDescent
    int hheaAscender = 0;
    int hheaDescender = 0; // negative below the baseline
    int hheaLineGap = 0;
    int advanceWidthMax = 0;
    int xAvgCharWidth = 0;
    int weightClass = 400;
    bool fixedPitch = false;   // post isFixedPitch
    int underlinePosition = 0; // post, above the baseline (negative: below)
    int underlineThickness = 0;
    int strikeoutSize = 0;               // OS/2 yStrikeoutSize
    int strikeoutPosition = 0;           // OS/2 yStrikeoutPosition, above the baseline
    std::vector<std::uint16_t> advances; // hmtx, one per horizontal metric

    // The advance of a glyph (the last metric's for glyphs past the table).
    int advance(quint32 glyph) const;

    // Reads the tables of `font`; nullopt with the reason when one is missing or too short.
    static std::optional<FaceTables> read(const QRawFont& font, std::string* error);
};

} // namespace platform::draw
