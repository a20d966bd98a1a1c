#include "platform/text/sprintf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

using platform::text::sprintf;

// The formatter gives what printf gives for the conversions the code base uses.
TEST(Sprintf, MatchesPrintf)
{
    char expected[256];
    std::snprintf(expected, sizeof expected, "%u (0x%04x) %d %08x %s %c %3u.%02u %zu %-4s| %%", 7u, 0xABu, -5,
                  0xDEADu, "txt", 'Q', 2u, 5u, static_cast<size_t>(12), "ab");
    EXPECT_EQ(sprintf("%u (0x%04x) %d %08x %s %c %3u.%02u %zu %-4s| %%", 7u, 0xABu, -5, 0xDEADu, "txt", 'Q',
                      2u, 5u, static_cast<size_t>(12), "ab"),
              expected);
    // Negative values under unsigned conversions, as printf shows them.
    std::snprintf(expected, sizeof expected, "%u %x", static_cast<unsigned>(-1), static_cast<unsigned>(-2));
    EXPECT_EQ(sprintf("%u %x", -1, -2), expected);
    // A std::string stands where text is expected.
    EXPECT_EQ(sprintf("'%s'", std::string("host")), "'host'");
}

// No length limit: the fixed buffers it replaces cut long texts short.
TEST(Sprintf, HasNoLengthLimit)
{
    const std::string longName(5000, 'n');
    EXPECT_EQ(sprintf("\nPrintFile()-FALSE: '%s' not found [OUT]", longName),
              "\nPrintFile()-FALSE: '" + longName + "' not found [OUT]");
}

// A format that does not fit its arguments is given back as it is, never thrown.
TEST(Sprintf, BadFormatGivesTheFormatBack)
{
    EXPECT_EQ(sprintf("%d and %s", 1), "%d and %s");
    EXPECT_EQ(sprintf(nullptr), "");
}
