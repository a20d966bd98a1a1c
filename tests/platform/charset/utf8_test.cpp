#include "platform/charset/utf8.h"

#include "platform/charset/cp1252.h"

#include <gtest/gtest.h>

#include <random>
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
// The well-formed byte sequences as the Unicode standard tables them (the allowed range of
// the second byte depends on the first), written independently of the decoder.
bool referenceDecode(std::string_view t, std::size_t pos, std::size_t& length, char32_t& cp)
{
    if (pos >= t.size())
        return false;
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(t[pos + i]); };
    const unsigned lead = b(0);
    unsigned lo = 0x80, hi = 0xBF;
    if (lead < 0x80) {
        length = 1;
        cp = lead;
        return true;
    }
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lo = lead == 0xE0 ? 0xA0 : 0x80;
        hi = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return false;
    if (t.size() - pos < length || b(1) < lo || b(1) > hi)
        return false;
    for (std::size_t i = 2; i < length; ++i)
        if (b(i) < 0x80 || b(i) > 0xBF)
            return false;
    cp = lead & (0xFFu >> (length + 1));
    for (std::size_t i = 1; i < length; ++i)
        cp = (cp << 6) | (b(i) & 0x3Fu);
    return true;
}

TEST(Utf8, RandomBytesDecodeExactlyAsTheWellFormedTableSays)
{
    // Bytes drawn mostly from the lead and continuation ranges where the boundaries lie, and
    // every position of each text decoded; the Windows-1252 conversion must agree too.
    const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                         0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                         0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFE, 0xFF};
    std::mt19937 rng(8080);
    for (int round = 0; round < 4000; ++round) {
        std::string text(1 + rng() % 8, '\0');
        for (char& c : text)
            c = static_cast<char>(rng() % 4 ? interesting[rng() % sizeof interesting] : rng() % 256);
        for (std::size_t at = 0; at <= text.size(); ++at) {
            std::size_t pos = at, length = 0;
            char32_t got = 0x1234, want = 0;
            const bool ok = referenceDecode(text, at, length, want);
            ASSERT_EQ(decodeUtf8(text, pos, got), ok) << testing::PrintToString(text) << " at " << at;
            EXPECT_EQ(pos, ok ? at + length : at);
            EXPECT_EQ(got, ok ? want : 0x1234u);
        }
        std::string back;
        if (utf8ToCp1252(text, &back)) {
            EXPECT_EQ(cp1252ToUtf8(back), text) << testing::PrintToString(text);
        }
    }
}

} // namespace platform::charset
