#include "platform/charset/oem_ansi.h"

#include "platform/charset/cp1252.h"
#include "platform/charset/cp437.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::charset {
namespace {

struct ByteRow
{
    std::uint8_t from;
    std::uint8_t to;
};

TEST(OemToAnsi, ControlCodesAndAsciiAreUnchangedBothWays)
{
    for (int b = 0; b < 0x80; ++b) {
        EXPECT_EQ(oemToAnsiTable()[b], b);
        EXPECT_EQ(ansiToOemTable()[b], b);
    }
}

TEST(OemToAnsi, BestFitRows)
{
    // clang-format off
    const ByteRow rows[] = {
        // letters and signs 1252 has
        {0x80, 0xC7}, {0x81, 0xFC}, {0x82, 0xE9}, {0x8E, 0xC4}, {0x91, 0xE6}, {0x98, 0xFF}, {0x9B, 0xA2},
        {0x9C, 0xA3}, {0x9F, 0x83}, {0xA5, 0xD1}, {0xA6, 0xAA}, {0xAB, 0xBD}, {0xAE, 0xAB}, {0xE1, 0xDF},
        {0xE6, 0xB5}, {0xF1, 0xB1}, {0xF6, 0xF7}, {0xF8, 0xB0}, {0xFA, 0xB7}, {0xFD, 0xB2}, {0xFF, 0xA0},
        // single and double lines: vertical -> broken bar, horizontal -> '-', corners -> '+'
        {0xB3, 0xA6}, {0xBA, 0xA6}, {0xB4, 0xA6}, {0xB9, 0xA6}, {0xC6, 0xA6}, {0xCC, 0xA6}, {0xC4, '-'},
        {0xCD, '-'}, {0xC1, '-'}, {0xC2, '-'}, {0xCA, '-'}, {0xCB, '-'}, {0xD1, '-'}, {0xDA, '+'},
        {0xC3, '+'}, {0xBF, '+'}, {0xC0, '+'}, {0xD9, '+'}, {0xC5, '+'}, {0xC9, '+'}, {0xBB, '+'},
        {0xC8, '+'}, {0xBC, '+'}, {0xCE, '+'}, {0xD5, '+'}, {0xB8, '+'}, {0xD8, '+'}, {0xD7, '+'},
        // shades and blocks
        {0xB0, 0xA6}, {0xB1, 0xA6}, {0xB2, 0xA6}, {0xDB, 0xA6}, {0xDD, 0xA6}, {0xDE, 0xA6}, {0xDC, '_'},
        {0xDF, 0xAF}, {0xFE, 0xA6},
        // Greek and mathematical signs
        {0x9E, 'P'}, {0xA9, 0xAC}, {0xE0, 'a'}, {0xE2, 'G'}, {0xE3, 'p'}, {0xE4, 'S'}, {0xEA, 'O'},
        {0xEC, '8'}, {0xEF, 'n'}, {0xF0, '='}, {0xF2, '='}, {0xF3, '='}, {0xF4, '('}, {0xF5, ')'},
        {0xF7, 0x98}, {0xF9, 0xB7}, {0xFB, 'v'}, {0xFC, 'n'},
    };
    // clang-format on
    for (const ByteRow& row : rows) {
        EXPECT_EQ(oemToAnsiTable()[row.from], row.to) << std::hex << "OEM 0x" << int(row.from);
    }
}

TEST(AnsiToOem, BestFitRows)
{
    // clang-format off
    const ByteRow rows[] = {
        // letters and signs 437 has
        {0xC7, 0x80}, {0xE9, 0x82}, {0xE2, 0x83}, {0xC4, 0x8E}, {0xC9, 0x90}, {0xDF, 0xE1}, {0xD1, 0xA5},
        {0xF1, 0xA4}, {0xA0, 0xFF}, {0xA1, 0xAD}, {0xA2, 0x9B}, {0xA3, 0x9C}, {0xA5, 0x9D}, {0xAA, 0xA6},
        {0xAB, 0xAE}, {0xAC, 0xAA}, {0xB0, 0xF8}, {0xB1, 0xF1}, {0xB2, 0xFD}, {0xB5, 0xE6}, {0xB7, 0xFA},
        {0xBC, 0xAC}, {0xBD, 0xAB}, {0xBF, 0xA8}, {0xF7, 0xF6}, {0xFF, 0x98}, {0x83, 0x9F},
        // letters 437 lacks fall back to the base letter
        {0xC0, 'A'}, {0xC1, 'A'}, {0xC3, 'A'}, {0xC8, 'E'}, {0xCD, 'I'}, {0xD0, 'D'}, {0xD2, 'O'},
        {0xD8, 'O'}, {0xDA, 'U'}, {0xDD, 'Y'}, {0xE3, 'a'}, {0xF5, 'o'}, {0xF8, 'o'}, {0xFD, 'y'},
        {0x8A, 'S'}, {0x9A, 's'}, {0x8E, 'Z'}, {0x9E, 'z'}, {0x9F, 'Y'},
        // typographic marks to ASCII
        {0x82, ','}, {0x84, '"'}, {0x88, '^'}, {0x89, '%'}, {0x8B, '<'}, {0x9B, '>'}, {0x91, '\''},
        {0x92, '\''}, {0x93, '"'}, {0x94, '"'}, {0x96, '-'}, {0x97, '-'}, {0x98, '~'}, {0xAD, '-'},
        {0xB4, '\''}, {0xD7, 'x'},
        // signs the screen shows in a control position
        {0xA7, 0x15}, {0xB6, 0x14}, {0x95, 0x07}, {0xA4, 0x0F},
        // no fit
        {0x80, '?'}, {0x85, '?'}, {0x86, '?'}, {0x99, '?'}, {0x8C, '?'}, {0x9C, '?'}, {0xBE, '?'},
        {0xDE, '?'}, {0xFE, '?'}, {0x81, '?'}, {0x8D, '?'}, {0x8F, '?'}, {0x90, '?'}, {0x9D, '?'},
    };
    // clang-format on
    for (const ByteRow& row : rows) {
        EXPECT_EQ(ansiToOemTable()[row.from], row.to) << std::hex << "ANSI 0x" << int(row.from);
    }
}

// The property that makes the tables trustworthy as a whole: wherever the other set has the
// very character, the conversion gives exactly that byte, and such bytes come back unchanged.
TEST(OemToAnsi, SharedCharactersConvertExactlyAndRoundTrip)
{
    int sharedOem = 0;
    for (int oem = 0; oem < 256; ++oem) {
        std::uint8_t ansi = 0;
        if (!unicodeToCp1252(cp437ToUnicode(static_cast<std::uint8_t>(oem)), &ansi)) {
            continue;
        }
        ++sharedOem;
        EXPECT_EQ(oemToAnsiTable()[oem], ansi) << "OEM " << oem;
        EXPECT_EQ(ansiToOemTable()[ansi], oem) << "OEM " << oem;
    }
    // ASCII and the control codes, plus the 54 letters and signs of 0x80-0xFF both sets have
    EXPECT_EQ(sharedOem, 128 + 54);

    int sharedAnsi = 0;
    for (int ansi = 0; ansi < 256; ++ansi) {
        const std::uint8_t oem = ansiToOemTable()[ansi];
        if (cp437ToUnicode(oem) == cp1252ToUnicode(static_cast<std::uint8_t>(ansi))) {
            ++sharedAnsi;
            EXPECT_EQ(oemToAnsiTable()[oem], ansi) << "ANSI " << ansi;
        }
    }
    EXPECT_EQ(sharedAnsi, sharedOem);
}

TEST(OemToAnsi, EveryOemCharacterHasAFit)
{
    for (int oem = 0; oem < 256; ++oem) {
        if (oem != '?') {
            EXPECT_NE(oemToAnsiTable()[oem], '?') << "OEM " << oem;
        }
    }
}

TEST(OemToAnsi, Converters)
{
    const std::string oem("\xC9\xCD\xCB\xBB\r\n\xBA"
                          "Se\xA4or\xBA\0\xB0",
                          15);
    const std::string ansi("+--+\r\n\xA6Se\xF1or\xA6\0\xA6", 15);

    EXPECT_EQ(oemToAnsi(oem), ansi);
    EXPECT_EQ(oemToAnsi(""), "");

    std::string text = oem;
    oemToAnsiInPlace(text);
    EXPECT_EQ(text, ansi);

    char buffer[15];
    oemToAnsi(oem.data(), buffer, oem.size());
    EXPECT_EQ(std::string(buffer, sizeof buffer), ansi);
    oem.copy(buffer, oem.size());
    oemToAnsi(buffer, buffer, sizeof buffer); // in place through the buffer form
    EXPECT_EQ(std::string(buffer, sizeof buffer), ansi);
    oem.copy(buffer, oem.size());
    oemToAnsiInPlace(buffer, 4); // only the count given
    EXPECT_EQ(std::string(buffer, sizeof buffer), ansi.substr(0, 4) + oem.substr(4));
    oemToAnsi(nullptr, nullptr, 0);
}

TEST(AnsiToOem, Converters)
{
    const std::string ansi("\x93"
                           "Caf\xE9\x94 \x96 \x80"
                           "5\0\xC0",
                           13);
    const std::string oem("\"Caf\x82\" - ?5\0A", 13);

    EXPECT_EQ(ansiToOem(ansi), oem);
    EXPECT_EQ(ansiToOem(""), "");

    std::string text = ansi;
    ansiToOemInPlace(text);
    EXPECT_EQ(text, oem);

    char buffer[13];
    ansiToOem(ansi.data(), buffer, ansi.size());
    EXPECT_EQ(std::string(buffer, sizeof buffer), oem);
    ansi.copy(buffer, ansi.size());
    ansiToOemInPlace(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, sizeof buffer), oem);
}

} // namespace
} // namespace platform::charset
