// The XKB layout list of the keyboard file.

#include "platform/sysinfo/xkb_layouts.h"

#include "tests/support/fuzz/text_mutator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

using platform::sysinfo::parseXkbLayouts;
using platform::sysinfo::xkbLayouts;

TEST(XkbLayouts, ParsesTheLayoutLine)
{
    using List = std::vector<std::string>;
    const struct
    {
        const char* text;
        List layouts;
    } cases[] = {
        {"XKBMODEL=\"pc105\"\nXKBLAYOUT=\"us,es\"\nXKBVARIANT=\",\"\n", {"us", "es"}},
        {"XKBLAYOUT=de\n", {"de"}},
        {"XKBLAYOUT='fr' # French\r\n", {"fr"}},
        {"  export XKBLAYOUT=\" us , , pt \"\n", {"us", "pt"}},
        {"# XKBLAYOUT=\"es\"\nXKBLAYOUT=\"it\"\n", {"it"}},   // a comment is no line
        {"XKBLAYOUT=\"es\"\nXKBLAYOUT=\"gb\"\n", {"gb"}},     // the last line counts
        {"XKBLAYOUT=\"abcdefghijklmnopqrstu,be\"\n", {"be"}}, // an overlong name is skipped
        {"XKBLAYOUT=\"ch\n", {"ch"}},                         // no closing quote
        {"XKBLAYOUTS=\"es\"\nXKBMODEL=pc105\n", {}},
        {"XKBLAYOUT=\n", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseXkbLayouts(c.text), c.layouts) << c.text;

    std::string many = "XKBLAYOUT=\"";
    for (int i = 0; i < 40; ++i)
        many += "us,";
    EXPECT_EQ(parseXkbLayouts(many + "\"").size(), platform::sysinfo::kMaxXkbLayouts);
}

TEST(XkbLayouts, ReadsTheFileWithinItsLimit)
{
    char path[] = "/tmp/xkb-layouts-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "XKBLAYOUT=\"latam\"\n";
    }
    EXPECT_EQ(xkbLayouts(path), std::vector<std::string>{"latam"});
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "XKBLAYOUT=\"es\"\n" << std::string(platform::sysinfo::kMaxKeyboardFileSize, '#');
    }
    EXPECT_TRUE(xkbLayouts(path).empty()) << "a file beyond the limit is not read";
    ::close(fd);
    std::remove(path);
    EXPECT_TRUE(xkbLayouts(path).empty());
}

TEST(XkbLayouts, DamagedFilesGiveOnlyBoundedNames)
{
    const std::string valid = "XKBMODEL=\"pc105\"\nXKBLAYOUT=\"us,es,de\"\nXKBVARIANT=\",,\"\n";
    const char special[] = {'"', '\'', ',', '\n', '\r', ' ', '#', '=', '\0', 'x'};
    test_support::TextMutator mutator(20261210, std::string_view(special, sizeof special));
    for (int round = 0; round < 800; ++round) {
        const std::vector<std::string> layouts = parseXkbLayouts(mutator.mutate(valid));
        ASSERT_LE(layouts.size(), platform::sysinfo::kMaxXkbLayouts) << round;
        for (const std::string& name : layouts) {
            ASSERT_FALSE(name.empty()) << round;
            ASSERT_LE(name.size(), platform::sysinfo::kMaxXkbLayoutName) << round;
            ASSERT_EQ(name.find(','), std::string::npos) << round;
        }
    }
}
