#include "klv_inet/support/path_utils.h"

#include "temp_env.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(EndingBSlash, AddsOrRemovesOneSeparator)
{
    const struct
    {
        const char* in;
        int want;
        const char* out;
    } cases[] = {{"", 1, "/"},
                 {"", 0, ""},
                 {"/data", 1, "/data/"},
                 {"/data/", 1, "/data/"},
                 {"/data/", 0, "/data"},
                 {"/data//", 0, "/data/"},
                 {"/", 0, ""}};
    for (const auto& c : cases) {
        std::string s = c.in;
        EXPECT_EQ(EndingBSlash(s, c.want), c.out) << c.in << " want " << c.want;
        char buf[16] = {};
        std::snprintf(buf, sizeof buf, "%s", c.in);
        EXPECT_STREQ(EndingBSlash(buf, sizeof buf, c.want), c.out);
    }
    char full[4] = "abc"; // no room for the separator: unchanged
    EXPECT_STREQ(EndingBSlash(full, sizeof full, 1), "abc");
    EXPECT_EQ(EndingBSlash(static_cast<char*>(nullptr), 8, 1), nullptr);
    std::string host = "C:\\Data";
    EXPECT_EQ(EndingBSlash(host, 1, '\\'), "C:\\Data\\");
    EXPECT_EQ(LastIsBSlash("/a/", '/'), 1);
    EXPECT_EQ(LastIsBSlash("", '/'), 0);
    EXPECT_EQ(LastIsBSlash(nullptr, '/'), 0);
}

TEST(CompossePaths, JoinsWithExactlyOneSeparator)
{
    const struct
    {
        const char* base;
        const char* tail;
        const char* out;
    } cases[] = {{"/data", "file.txt", "/data/file.txt"},
                 {"/data", "/file.txt", "/data/file.txt"},
                 {"/data/", "/file.txt", "/data/file.txt"},
                 {"/data/", "file.txt", "/data/file.txt"},
                 {"", "file.txt", "/file.txt"}};
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(CompossePaths(out, c.base, c.tail), c.out) << c.base << " + " << c.tail;
    }
    std::string out;
    EXPECT_EQ(CompossePaths(out, "/data", nullptr), "/data");
}

TEST(ExpandPath, CreatesFoldersUpToTheLastSeparator)
{
    TempEnv env;
    ExpandPath(env.path("A/B/"));
    EXPECT_TRUE(fs::is_directory(env.dir() / "A" / "B"));
    ExpandPath(env.path("C/D"));
    EXPECT_TRUE(fs::is_directory(env.dir() / "C"));
    EXPECT_FALSE(fs::exists(env.dir() / "C" / "D"));
    EXPECT_EQ(GetDrive(env.path("C/D")), "/");
}

TEST(FormFNameInAppPath, BareNamesGoToTheDataFolder)
{
    TempEnv env;
    ts::support::ScopedEnv data("TYPESTONE_DATA_DIR", env.dir().string());
    std::string out;
    EXPECT_EQ(FormFNameInAppPath("typstver.htm", out), env.path("typstver.htm"));
    EXPECT_EQ(FormFNameInAppPath("/etc/x.htm", out), "/etc/x.htm");
}
