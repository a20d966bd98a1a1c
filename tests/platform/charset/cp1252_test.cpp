#include "platform/charset/cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::charset {
namespace {

TEST(Cp1252, RowsOfThePublishedCodePage)
{
    // clang-format off
    const struct
    {
        std::uint8_t byte;
        char32_t unicode;
    } rows[] = {
        {0x00, 0x0000}, {0x0D, 0x000D}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x82, 0x201A},
        {0x83, 0x0192}, {0x85, 0x2026}, {0x88, 0x02C6}, {0x8A, 0x0160}, {0x8C, 0x0152}, {0x8E, 0x017D},
        {0x91, 0x2018}, {0x94, 0x201D}, {0x95, 0x2022}, {0x97, 0x2014}, {0x98, 0x02DC}, {0x99, 0x2122},
        {0x9C, 0x0153}, {0x9E, 0x017E}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xA4, 0x00A4}, {0xC7, 0x00C7},
        {0xDF, 0x00DF}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
        // the five bytes the code page leaves undefined keep their own number
        {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int(row.byte));
        EXPECT_EQ(cp1252ToUnicode(row.byte), row.unicode);
        std::uint8_t back = 0;
        ASSERT_TRUE(unicodeToCp1252(row.unicode, &back));
        EXPECT_EQ(back, row.byte);
    }
}

TEST(Cp1252, Row80AsPrinted)
{
    std::string row;
    for (int b = 0x80; b < 0xA0; ++b) {
        row.push_back(static_cast<char>(b));
    }
    // The undefined bytes come out as their C1 control codes (UTF-8 C2 xx).
    EXPECT_EQ(cp1252ToUtf8(row), "€\xC2\x81‚ƒ„…†‡ˆ‰Š‹Œ\xC2\x8DŽ\xC2\x8F"
                                 "\xC2\x90‘’“”•–—˜™š›œ\xC2\x9DžŸ");
}

TEST(Cp1252, EveryByteSurvivesUnicodeAndBack)
{
    for (int b = 0; b < 256; ++b) {
        std::uint8_t back = 0;
        ASSERT_TRUE(unicodeToCp1252(cp1252ToUnicode(static_cast<std::uint8_t>(b)), &back)) << b;
        EXPECT_EQ(back, b);
    }
}

TEST(Cp1252, CharactersWithoutAByteAreRefused)
{
    // C1 codes other than the five, letters and signs of other sets, non-BMP
    for (const char32_t c :
         {0x0080u, 0x0082u, 0x009Fu, 0x0100u, 0x0131u, 0x2500u, 0x2591u, 0xFFFDu, 0x1F600u}) {
        std::uint8_t byte = 0x5A;
        EXPECT_FALSE(unicodeToCp1252(c, &byte)) << std::hex << unsigned(c);
        EXPECT_EQ(byte, 0x5A);
    }
}

TEST(Cp1252, Utf8OfStrings)
{
    EXPECT_EQ(cp1252ToUtf8(""), "");
    EXPECT_EQ(cp1252ToUtf8("Caf\xE9 \x80 5 \x96 \x93ok\x94\x85"), "Café € 5 – “ok”…");
    EXPECT_EQ(cp1252ToUtf8(std::string("\x81\0\x9D", 3)), std::string("\xC2\x81\0\xC2\x9D", 5));
}

TEST(Cp1252, FromUtf8Exactly)
{
    std::string out = "old";
    std::string error;
    ASSERT_TRUE(utf8ToCp1252("Ünïcødé – “q” € ÿ", &out, &error)) << error;
    EXPECT_EQ(out, "\xDCn\xEF"
                   "c\xF8"
                   "d\xE9 \x96 \x93q\x94 \x80 \xFF");
    ASSERT_TRUE(utf8ToCp1252(std::string("a\0\xC2\x81", 4), &out));
    EXPECT_EQ(out, std::string("a\0\x81", 3));
    ASSERT_TRUE(utf8ToCp1252("", &out));
    EXPECT_EQ(out, "");
}

TEST(Cp1252, FromUtf8ReportsWhatAndWhere)
{
    struct Case
    {
        std::string utf8;
        std::string error;
    };
    const Case cases[] = {
        {"ab─", "U+2500 has no Windows-1252 form at byte 2"},
        {"x😀", "U+1F600 has no Windows-1252 form at byte 1"},
        {"\xC2\x80", "U+0080 has no Windows-1252 form at byte 0"},
        {"ab\xC3", "malformed UTF-8 at byte 2"},            // cut short
        {"\xE9t\xE9", "malformed UTF-8 at byte 0"},         // Windows-1252 bytes, not UTF-8
        {"ok\xC0\xAF", "malformed UTF-8 at byte 2"},        // overlong
        {"\xED\xA0\x80", "malformed UTF-8 at byte 0"},      // surrogate
        {"é\xF4\x90\x80\x80", "malformed UTF-8 at byte 2"}, // above U+10FFFF
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        std::string out = "untouched";
        std::string error;
        EXPECT_FALSE(utf8ToCp1252(c.utf8, &out, &error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(out, "untouched");
        EXPECT_FALSE(utf8ToCp1252(c.utf8, &out)); // without an error text
    }
}

} // namespace
} // namespace platform::charset
