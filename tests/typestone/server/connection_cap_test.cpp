#include "typestone/server/connection_cap.h"
#include "typestone/server/general_settings.h"

#include "platform/sysinfo/descriptor_limit.h"

#include "app_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace typestone;

TEST(ConnectionCapTest, CapFitsTheDescriptorLimit)
{
    const std::pair<uint64_t, size_t> cases[] = {
        {0, 1},
        {64, 1},
        {68, 1}, // no room beyond the server's own: still one
        {72, 2},
        {1024, 240},
        {4160, 1024},
        {8192, 1024},
        {platform::sysinfo::kUnlimited, 1024}, // the ceiling
    };
    for (const auto& [limit, cap] : cases)
        EXPECT_EQ(ConnectionCapForLimit(limit), cap) << limit;
}

TEST(ConnectionCapTest, SettingIsReadAndLoweredToFit)
{
    apptest::TempFolders folders;
    bool lowered = true;
    EXPECT_EQ(LoadMaxConnections(1024, &lowered), 240u); // missing: the default
    EXPECT_FALSE(lowered);
    struct Case
    {
        const char* text;
        size_t cap;
        bool lowered;
    };
    const Case cases[] = {
        {"100", 100, false},
        {" 50 ", 50, false},
        {"240", 240, false},
        {"241", 240, true},
        {"1000000000000000000000", 240, true}, // past any integer: still only too large
        {"0", 240, false},
        {"-3", 240, false},
        {"12x", 240, false},
        {"", 240, false},
    };
    for (const Case& c : cases) {
        SetCFGString("MaxConnections", c.text);
        lowered = !c.lowered;
        EXPECT_EQ(LoadMaxConnections(1024, &lowered), c.cap) << c.text;
        EXPECT_EQ(lowered, c.lowered) << c.text;
    }
    SetCFGString("MaxConnections", "5000");
    EXPECT_EQ(LoadMaxConnections(8192), 1024u);
}

} // namespace
