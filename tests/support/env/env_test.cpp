#include "tests/support/env/scoped_env.h"
#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;
using ts::support::ScopedEnv;
using ts::support::TempDir;

namespace {

std::optional<std::string> env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

TEST(ScopedEnvTest, PutsEveryVariableBackAsItWasWhenFirstNamed)
{
    ::setenv("TS_ENV_A", "a0", 1);
    ::unsetenv("TS_ENV_B");
    ::setenv("TS_ENV_C", "c0", 1);
    {
        ScopedEnv scoped("TS_ENV_A", "a1");
        scoped.set("TS_ENV_B", "b1");
        scoped.unset("TS_ENV_C");
        EXPECT_EQ(env("TS_ENV_A"), "a1");
        EXPECT_EQ(env("TS_ENV_B"), "b1");
        EXPECT_EQ(env("TS_ENV_C"), std::nullopt);
        // Named again, or changed behind its back: still the value of the first mention.
        scoped.set("TS_ENV_A", "a2");
        scoped.keep("TS_ENV_B");
        ::setenv("TS_ENV_B", "b2", 1);
        scoped.keep("TS_ENV_D");
        ::setenv("TS_ENV_D", "d1", 1);
    }
    EXPECT_EQ(env("TS_ENV_A"), "a0");
    EXPECT_EQ(env("TS_ENV_B"), std::nullopt);
    EXPECT_EQ(env("TS_ENV_C"), "c0");
    EXPECT_EQ(env("TS_ENV_D"), std::nullopt);
    ::unsetenv("TS_ENV_A");
    ::unsetenv("TS_ENV_C");
}

TEST(TempDirTest, PrivateFolderGoesWithEverythingInIt)
{
    std::string path;
    {
        TempDir dir("ts-env-test");
        ASSERT_TRUE(dir.ok()) << dir.error();
        path = dir.path();
        EXPECT_EQ(fs::path(path).filename().string().rfind("ts-env-test-", 0), 0u) << path;
        struct stat st
        {
        };
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(dir.path("a/b"), path + "/a/b");

        // A folder the test made unreadable and unwritable, with a file in it.
        fs::create_directories(dir.path("locked/inner"));
        std::ofstream(dir.path("locked/inner/file")) << "x";
        fs::permissions(dir.path("locked/inner"), fs::perms::none);
        fs::permissions(dir.path("locked"), fs::perms::owner_read);
    }
    EXPECT_FALSE(fs::exists(path)) << path;
}

TEST(TempDirTest, FollowsTmpdirAndFallsBackToTmp)
{
    TempDir outer;
    ASSERT_TRUE(outer.ok()) << outer.error();
    ScopedEnv scoped("TMPDIR", outer.path());
    {
        TempDir inner;
        ASSERT_TRUE(inner.ok()) << inner.error();
        EXPECT_EQ(fs::path(inner.path()).parent_path().string(), outer.path());
    }
    for (const char* bad : {"relative/folder", "/nonexistent/ts-env-test"}) {
        scoped.set("TMPDIR", bad);
        TempDir fallback;
        ASSERT_TRUE(fallback.ok()) << fallback.error();
        EXPECT_EQ(fs::path(fallback.path()).parent_path().string(), "/tmp") << bad;
    }
}

} // namespace
