#include "platform/charset/cp437.h"

#include "platform/charset/utf8.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace platform::charset {
namespace {

struct Cp437Row
{
    std::uint8_t byte;
    char32_t control; // plain form
    char32_t glyph;   // screen form
};

TEST(Cp437, RowsOfThePublishedCodePage)
{
    // clang-format off
    const Cp437Row rows[] = {
        {0x00, 0x0000, 0x0000}, {0x01, 0x0001, 0x263A}, {0x02, 0x0002, 0x263B}, {0x07, 0x0007, 0x2022},
        {0x0A, 0x000A, 0x25D9}, {0x0D, 0x000D, 0x266A}, {0x0F, 0x000F, 0x263C}, {0x10, 0x0010, 0x25BA},
        {0x14, 0x0014, 0x00B6}, {0x15, 0x0015, 0x00A7}, {0x1B, 0x001B, 0x2190}, {0x1F, 0x001F, 0x25BC},
        {0x20, 0x0020, 0x0020}, {0x41, 0x0041, 0x0041}, {0x7E, 0x007E, 0x007E}, {0x7F, 0x007F, 0x2302},
        {0x80, 0x00C7, 0x00C7}, {0x81, 0x00FC, 0x00FC}, {0x9B, 0x00A2, 0x00A2}, {0x9E, 0x20A7, 0x20A7},
        {0x9F, 0x0192, 0x0192}, {0xA8, 0x00BF, 0x00BF}, {0xA9, 0x2310, 0x2310}, {0xB0, 0x2591, 0x2591},
        {0xB2, 0x2593, 0x2593}, {0xB3, 0x2502, 0x2502}, {0xBF, 0x2510, 0x2510}, {0xC4, 0x2500, 0x2500},
        {0xC5, 0x253C, 0x253C}, {0xC9, 0x2554, 0x2554}, {0xCE, 0x256C, 0x256C}, {0xDB, 0x2588, 0x2588},
        {0xDF, 0x2580, 0x2580}, {0xE0, 0x03B1, 0x03B1}, {0xE1, 0x00DF, 0x00DF}, {0xE6, 0x00B5, 0x00B5},
        {0xEC, 0x221E, 0x221E}, {0xF0, 0x2261, 0x2261}, {0xF9, 0x2219, 0x2219}, {0xFA, 0x00B7, 0x00B7},
        {0xFC, 0x207F, 0x207F}, {0xFE, 0x25A0, 0x25A0}, {0xFF, 0x00A0, 0x00A0},
    };
    // clang-format on
    for (const Cp437Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int(row.byte));
        EXPECT_EQ(cp437ToUnicode(row.byte), row.control);
        EXPECT_EQ(cp437ToUnicode(row.byte, Cp437Form::ControlCodes), row.control);
        EXPECT_EQ(cp437ToUnicode(row.byte, Cp437Form::Glyphs), row.glyph);
    }
}

TEST(Cp437, FormsDifferOnlyInTheControlPositionsAndAsciiIsUnchanged)
{
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const char32_t plain = cp437ToUnicode(static_cast<std::uint8_t>(b), Cp437Form::ControlCodes);
        const char32_t glyph = cp437ToUnicode(static_cast<std::uint8_t>(b), Cp437Form::Glyphs);
        if (b < 0x80) {
            EXPECT_EQ(plain, char32_t(b));
        }
        const bool pictured = (b >= 0x01 && b <= 0x1F) || b == 0x7F;
        EXPECT_EQ(plain != glyph, pictured);
    }
}

TEST(Cp437, EveryByteHasItsOwnCharacter)
{
    for (const Cp437Form form : {Cp437Form::ControlCodes, Cp437Form::Glyphs}) {
        const auto& table = cp437Table(form);
        EXPECT_EQ(std::set<char16_t>(table.begin(), table.end()).size(), 256u);
    }
}

TEST(Cp437, UpperHalfAsPrinted)
{
    std::string upperHalf;
    for (int b = 0x80; b < 0x100; ++b) {
        upperHalf.push_back(static_cast<char>(b));
    }
    // The code page chart, row by row (0xFF is the no-break space).
    EXPECT_EQ(cp437ToUtf8(upperHalf), "ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒ"
                                      "áíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐"
                                      "└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
                                      "αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\xC2\xA0");
}

TEST(Cp437, ScreenPicturesOfTheControlBytes)
{
    std::string bytes;
    for (int b = 0x01; b <= 0x1F; ++b) {
        bytes.push_back(static_cast<char>(b));
    }
    bytes.push_back('\x7F');
    EXPECT_EQ(cp437ToUtf8(bytes, Cp437Form::Glyphs), "☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼⌂");
}

TEST(Cp437, Utf8OfStrings)
{
    struct Case
    {
        std::string cp437;
        Cp437Form form;
        std::string utf8;
    };
    const Case cases[] = {
        {"", Cp437Form::ControlCodes, ""},
        {"\xC9\xCD\xCD\xBB", Cp437Form::ControlCodes, "╔══╗"},
        {"\xBA\xB0\xB1\xB2\xDB\xBA", Cp437Form::ControlCodes, "║░▒▓█║"},
        {"Se\xA4or \x82l\x8Ave, 12\xF8 \x9C", Cp437Form::ControlCodes, "Señor élève, 12° £"},
        {std::string("a\0b\r\n\x1A", 6), Cp437Form::ControlCodes, std::string("a\0b\r\n\x1A", 6)},
        {std::string("a\0b\r\n\x1A", 6), Cp437Form::Glyphs, std::string("a\0b", 3) + "♪◙→"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(cp437ToUtf8(c.cp437, c.form), c.utf8);
    }
}

TEST(Cp437, Utf8OfEveryByteMatchesItsCharacter)
{
    for (const Cp437Form form : {Cp437Form::ControlCodes, Cp437Form::Glyphs}) {
        for (int b = 0; b < 256; ++b) {
            std::string expected;
            appendUtf8(expected, cp437ToUnicode(static_cast<std::uint8_t>(b), form));
            EXPECT_EQ(cp437ToUtf8(std::string(1, static_cast<char>(b)), form), expected) << b;
        }
    }
}

} // namespace
} // namespace platform::charset
