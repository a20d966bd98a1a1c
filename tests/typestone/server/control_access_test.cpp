#include "typestone/server/answer_rate_limit.h"
#include "typestone/server/control_access.h"
#include "typestone/server/general_settings.h"

#include "app_fixture.h"

#include <gtest/gtest.h>

namespace {

using typestone::AnswerRateLimit;
using typestone::ControlAccess;

constexpr uint32_t kOwnUid = 4321;
constexpr uint32_t kOther = 65534;
constexpr uint32_t kOperator = 2000; // a member of "lpadmin" here

TEST(ControlAccessTest, OnlyRootTheServersUserAndTheGroupMayControl)
{
    std::optional<std::vector<uint32_t>> owners;
    int lookups = 0;
    ControlAccess access(
        [&](const platform::net::Endpoint&) {
            ++lookups;
            return owners;
        },
        [](uint32_t uid, const std::string& group) { return uid == kOperator && group == "lpadmin"; },
        kOwnUid);
    const platform::net::Endpoint local{"127.0.0.1", 40000};

    struct Case
    {
        std::optional<std::vector<uint32_t>> owners;
        const char* group;
        bool allowed;
        std::optional<uint32_t> refused;
    };
    const Case cases[] = {
        {std::vector<uint32_t>{0}, "", true, {}},
        {std::vector<uint32_t>{kOwnUid}, "", true, {}},
        {std::vector<uint32_t>{kOther}, "", false, kOther},
        {std::vector<uint32_t>{kOperator}, "", false, kOperator},
        {std::vector<uint32_t>{kOperator}, "lpadmin", true, {}},
        {std::vector<uint32_t>{kOther}, "lpadmin", false, kOther},
        // A port two sockets share: every one must be allowed.
        {std::vector<uint32_t>{kOwnUid, kOther}, "", false, kOther},
        {std::vector<uint32_t>{0, kOwnUid}, "", true, {}},
        {std::vector<uint32_t>{}, "", false, {}}, // the socket is gone
        {std::nullopt, "", false, {}},            // the tables cannot be read
    };
    for (const Case& c : cases) {
        owners = c.owners;
        access.SetGroup(c.group);
        std::optional<uint32_t> refused = 77;
        EXPECT_EQ(access.Allowed(local, &refused), c.allowed)
            << (c.owners ? c.owners->size() : 99) << c.group;
        EXPECT_EQ(refused, c.refused);
    }
    // Another machine is refused before any look-up.
    owners = std::vector<uint32_t>{0};
    lookups = 0;
    EXPECT_FALSE(access.Allowed({"192.168.7.20", 40000}));
    EXPECT_EQ(lookups, 0);
}

TEST(ControlAccessTest, GroupComesFromTheSetting)
{
    apptest::TempFolders folders;
    ControlAccess access([](const platform::net::Endpoint&) { return std::vector<uint32_t>{kOperator}; },
                         [](uint32_t, const std::string& group) { return group == "lpadmin"; }, kOwnUid);
    access.LoadGroup();
    EXPECT_EQ(access.Group(), "");
    EXPECT_FALSE(access.Allowed({"127.0.0.1", 1}));
    typestone::SetCFGString("ControlGroup", "lpadmin");
    access.LoadGroup();
    EXPECT_EQ(access.Group(), "lpadmin");
    EXPECT_TRUE(access.Allowed({"127.0.0.1", 1}));
    typestone::SetCFGString("ControlGroup", std::string(200, 'g')); // no group is named so
    access.LoadGroup();
    EXPECT_FALSE(access.Allowed({"127.0.0.1", 1}));
}

TEST(AnswerRateLimitTest, AFewAnswersASecondPerAddress)
{
    AnswerRateLimit limit;
    const auto t0 = AnswerRateLimit::Clock::time_point() + std::chrono::hours(1);
    int answered = 0;
    int firstRefusals = 0;
    for (int i = 0; i < 100; ++i) {
        answered += limit.Allow("10.0.0.1", t0);
        firstRefusals += limit.FirstRefusal();
    }
    EXPECT_EQ(answered, AnswerRateLimit::kBurst);
    EXPECT_EQ(firstRefusals, 1);              // one trace line for the whole run
    EXPECT_TRUE(limit.Allow("10.0.0.2", t0)); // another address is not held up

    // One more every 1/kPerSecond s; after a second of flooding, kPerSecond more in all.
    const auto quarter = std::chrono::milliseconds(1000 / AnswerRateLimit::kPerSecond);
    EXPECT_FALSE(limit.Allow("10.0.0.1", t0 + quarter / 2));
    EXPECT_TRUE(limit.Allow("10.0.0.1", t0 + quarter));
    EXPECT_FALSE(limit.Allow("10.0.0.1", t0 + quarter));
    answered = 0;
    for (int ms = 10; ms <= 1100; ms += 10)
        answered += limit.Allow("10.0.0.1", t0 + quarter + std::chrono::milliseconds(ms));
    EXPECT_EQ(answered, AnswerRateLimit::kPerSecond);
    // A clock that steps back gives nothing extra.
    EXPECT_FALSE(limit.Allow("10.0.0.1", t0));
    // Quiet for long enough, the whole burst is back.
    answered = 0;
    for (int i = 0; i < 100; ++i)
        answered += limit.Allow("10.0.0.1", t0 + std::chrono::seconds(10));
    EXPECT_EQ(answered, AnswerRateLimit::kBurst);
}

TEST(AnswerRateLimitTest, ForgedAddressesCannotGrowTheTable)
{
    AnswerRateLimit limit;
    const auto t0 = AnswerRateLimit::Clock::time_point() + std::chrono::hours(1);
    auto address = [](size_t i) {
        return "10." + std::to_string(i >> 16) + "." + std::to_string((i >> 8) & 255) + "." +
               std::to_string(i & 255);
    };
    for (size_t i = 0; i < AnswerRateLimit::kMaxAddresses; ++i)
        ASSERT_TRUE(limit.Allow(address(i), t0));
    // Full of recent addresses: a new one waits, the table does not grow.
    EXPECT_FALSE(limit.Allow("192.168.0.1", t0));
    EXPECT_EQ(limit.Tracked(), AnswerRateLimit::kMaxAddresses);
    // Once their answers are back in hand they are forgotten, and the new one is answered.
    EXPECT_TRUE(limit.Allow("192.168.0.1", t0 + std::chrono::seconds(1)));
    EXPECT_LE(limit.Tracked(), 1u);
}

} // namespace
