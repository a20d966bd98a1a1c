#include "platform/charset/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::charset {
namespace {

TEST(Utf8, EncodesAtEveryLengthBoundary)
{
    const struct
    {
        char32_t codePoint;
        std::string utf8;
    } cases[] = {
        {0x00, std::string(1, '\0')},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0x20AC, "\xE2\x82\xAC"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << unsigned(c.codePoint));
        std::string out = "x";
        appendUtf8(out, c.codePoint);
        EXPECT_EQ(out, "x" + c.utf8);

        std::size_t pos = 1;
        char32_t decoded = 0;
        ASSERT_TRUE(decodeUtf8(out, pos, decoded));
        EXPECT_EQ(decoded, c.codePoint);
        EXPECT_EQ(pos, out.size());
    }
}

TEST(Utf8, NonCharactersAreWrittenAsReplacement)
{
    for (const char32_t c : {0xD800u, 0xDFFFu, 0x110000u, 0xFFFFFFFFu}) {
        std::string out;
        appendUtf8(out, c);
        EXPECT_EQ(out, "\xEF\xBF\xBD") << std::hex << unsigned(c);
    }
}

TEST(Utf8, RefusesMalformedInputWithoutMoving)
{
    const std::string cases[] = {
        "",                 // nothing left
        "\x80",             // stray continuation
        "\xBF",             // stray continuation
        "\xC0\x80",         // overlong NUL
        "\xC1\xBF",         // overlong
        "\xE0\x9F\xBF",     // overlong three-byte
        "\xF0\x8F\xBF\xBF", // overlong four-byte
        "\xED\xA0\x80",     // surrogate
        "\xED\xBF\xBF",     // surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xF5\x80\x80\x80", // lead byte never used
        "\xFF",             // lead byte never used
        "\xE2\x82",         // cut short
        "\xF0\x9F\x98",     // cut short
        "\xE2\x41\x41",     // continuation missing
        "\xC3\xC3\xA9",     // continuation missing
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        std::size_t pos = 0;
        char32_t codePoint = 0x1234;
        EXPECT_FALSE(decodeUtf8(text, pos, codePoint));
        EXPECT_EQ(pos, 0u);
        EXPECT_EQ(codePoint, 0x1234u);
    }
    std::size_t past = 5;
    char32_t codePoint = 0;
    EXPECT_FALSE(decodeUtf8("ab", past, codePoint));
    EXPECT_EQ(past, 5u);
}

} // namespace
} // namespace platform::charset
