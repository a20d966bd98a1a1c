// Choosing the spooler backend from the setting and TYPESTONE_SPOOLER.

#include "platform/spooler/make_spooler.h"
#include "tests/platform/spooler/spooler_test_support.h"
#include "tests/support/env/scoped_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace platform::spooler;
using spooler_test::TempDir;

namespace {

using ts::support::ScopedEnv;

TEST(MakeSpoolerTest, ChoosesTheBackendFromSettingAndEnvironment)
{
    TempDir dir;
    ScopedEnv state("STATE_DIRECTORY", dir.path() + "/state");
    const std::string a = dir.path() + "/a";
    const std::string b = dir.path() + "/b";
    struct Case
    {
        std::optional<std::string> env;
        std::string setting;
        std::string description; // expected prefix; empty: refused
        std::string createdFolder;
    };
    const Case cases[] = {
        {std::nullopt, "", "folder spooler at " + dir.path() + "/state/spool", dir.path() + "/state/spool"},
        {std::string(), "", "folder spooler at " + dir.path() + "/state/spool", ""}, // empty env is unset
        {std::nullopt, "folder:" + a, "folder spooler at " + a, a},
        {std::nullopt, "cups", "CUPS spooler (server ", ""},
        {"folder:" + b, "cups", "folder spooler at " + b, b},
        {"cups", "folder:" + a, "CUPS spooler (server ", ""},
        {std::nullopt, "folder:relative/spool", "", ""},
        {std::nullopt, "folder:", "", ""},
        {std::nullopt, "lpr", "", ""},
        {std::nullopt, "CUPS", "", ""},
        {"bogus", "cups", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("env=" + c.env.value_or("(unset)") + " setting=" + c.setting);
        ScopedEnv choice("TYPESTONE_SPOOLER", c.env);
        std::string error;
        const auto spooler = makeSpooler(c.setting, &error);
        if (c.description.empty()) {
            EXPECT_FALSE(spooler);
            EXPECT_FALSE(error.empty());
            continue;
        }
        ASSERT_TRUE(spooler) << error;
        EXPECT_EQ(spooler->description().substr(0, c.description.size()), c.description);
        if (!c.createdFolder.empty()) {
            EXPECT_TRUE(std::filesystem::is_directory(c.createdFolder));
        }
    }
}

TEST(MakeSpoolerTest, NamesTheSourceOfABadChoice)
{
    ScopedEnv choice("TYPESTONE_SPOOLER", std::string("lpd:queue"));
    std::string error;
    EXPECT_FALSE(makeSpooler("cups", &error));
    EXPECT_NE(error.find("TYPESTONE_SPOOLER"), std::string::npos) << error;
    EXPECT_NE(error.find("lpd:queue"), std::string::npos) << error;
}

} // namespace
