// Host text to the engine's text: both modes, the room limit and the line feeds after carriage
// returns, in the string form, in place in a caller's buffer and in the framework string form.

#include "typestone/engine/host_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace std::string_literals;
using typestone::HostCStrToAnsi;
using typestone::HostStrToAnsi;
using typestone::kHostTextAnsi;
using typestone::kHostTextOem;

namespace {

struct Case
{
    const char* name;
    std::string host;
    size_t room;
    int mode;
    std::string expected;
};

// Host 0xC1 is a-umlaut (OEM 0x84, ANSI 0xE4), 0xE7 the euro sign (OEM 0x9F, ANSI 0x80), 0xA0
// a box corner (OEM 0xDA, ANSI '+'), 0xF5 unused (a blank).
const std::vector<Case> kCases = {
    {"ansi", "A\xC1\xE7\xA0\xF5"s, 0, kHostTextAnsi, "A\xE4\x80+ "s},
    {"oem", "A\xC1\xE7\xA0\xF5"s, 0, kHostTextOem, "A\x84\x9F\xDA "s},
    {"any other mode is oem", "\xC1\xE7"s, 0, 2, "\x84\x9F"s},
    {"no room keeps a carriage return alone", "a\rb\r", 0, kHostTextAnsi, "a\rb\r"},
    {"room adds the line feeds", "a\rb\r", 10, kHostTextOem, "a\r\nb\r\n"},
    {"line feed already there gets another", "a\r\nb", 10, kHostTextOem, "a\r\n\nb"},
    {"room exactly reached", "abc", 4, kHostTextAnsi, "abc"},
    {"room exceeded", "abcd", 4, kHostTextAnsi, "abc"},
    {"carriage return at the end with its line feed", "ab\r", 5, kHostTextAnsi, "ab\r\n"},
    {"carriage return at the end without room for its line feed", "ab\r", 4, kHostTextAnsi, "ab"},
    {"carriage return cut inside the text", "a\rbc", 3, kHostTextOem, "a"},
    {"converted bytes count against the room", "\xC1\xC1\xC1"s, 3, kHostTextAnsi, "\xE4\xE4"s},
    {"room of one holds only the zero", "abc", 1, kHostTextAnsi, ""},
    {"text ends at its zero", "ab\0cd"s, 0, kHostTextAnsi, "ab"},
    {"text ends at its zero with a room", "a\r\0\r"s, 10, kHostTextAnsi, "a\r\n"},
    {"empty", "", 8, kHostTextOem, ""},
};

TEST(HostText, StringForm)
{
    for (const Case& c : kCases)
        EXPECT_EQ(HostStrToAnsi(std::string_view(c.host), c.room, c.mode), c.expected) << c.name;
}

// In place, the buffer holds exactly `room` bytes (the text's own length plus its zero when
// there is no room): nothing beyond them is read or written.
TEST(HostText, InPlaceStaysInsideTheBuffer)
{
    for (const Case& c : kCases) {
        const size_t size = c.room != 0 ? c.room : c.host.size() + 1;
        std::vector<char> buffer(size + 8, '#');
        std::memcpy(buffer.data(), c.host.data(), std::min(c.host.size() + 1, size));
        if (c.room == 0)
            buffer[c.host.size()] = '\0';
        EXPECT_EQ(HostStrToAnsi(buffer.data(), c.room, c.mode), buffer.data()) << c.name;
        EXPECT_EQ(std::string(buffer.data()), c.expected) << c.name;
        EXPECT_EQ(std::string(buffer.data() + size, 8), "########") << c.name;
    }
}

// A buffer without a zero inside its room is read no further than the room.
TEST(HostText, InPlaceWithoutZeroReadsOnlyTheRoom)
{
    char buffer[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
    HostStrToAnsi(buffer, 4, kHostTextAnsi);
    EXPECT_EQ(std::string(buffer), "abc");
    EXPECT_EQ(buffer[4], 'e');
    EXPECT_EQ(HostStrToAnsi(static_cast<char*>(nullptr), 4, kHostTextAnsi), nullptr);
}

TEST(HostText, FrameworkStringHasRoomForEveryLineFeed)
{
    std::string text = "\xC1\r\xE7\r"s;
    EXPECT_EQ(&HostCStrToAnsi(text, kHostTextAnsi), &text);
    EXPECT_EQ(text, "\xE4\r\n\x80\r\n"s);

    std::string allReturns(300, '\r');
    HostCStrToAnsi(allReturns, kHostTextOem);
    std::string expected;
    for (int i = 0; i < 300; ++i)
        expected += "\r\n";
    EXPECT_EQ(allReturns, expected);
}

} // namespace
