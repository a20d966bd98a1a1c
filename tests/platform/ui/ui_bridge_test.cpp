#include "platform/ui/ui_bridge.h"

#include "platform/ui/message_box.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace platform::ui {
namespace {

using Kind = ScriptedUiBridge::Call::Kind;

class UiBridgeTest : public ::testing::Test
{
protected:
    void TearDown() override { setBridge(nullptr); }
};

TEST_F(UiBridgeTest, DefaultIsHeadlessAndNullRestoresIt)
{
    EXPECT_EQ(bridge().messageBox({"Delete?", "c", kMbYesNo | kMbDefButton2, 0}), kIdNo);
    EXPECT_EQ(bridge().askText({"p", "c", "initial", 0, 0}), std::nullopt);

    auto scripted = std::make_shared<ScriptedUiBridge>();
    scripted->pushBoxAnswer(kIdYes);
    scripted->pushTextAnswer("typed");
    setBridge(scripted);
    EXPECT_EQ(bridge().messageBox({"Delete?", "c", kMbYesNo | kMbDefButton2, 0}), kIdYes);
    EXPECT_EQ(bridge().askText({"p", "c", "initial", 0, 0}), "typed");
    EXPECT_EQ(scripted->callCount(), 2u);

    setBridge(nullptr);
    EXPECT_EQ(bridge().askText({"p", "c", "initial", 0, 0}), std::nullopt);
    EXPECT_EQ(scripted->callCount(), 2u);
}

TEST_F(UiBridgeTest, OpenProgressStaysWithTheBridgeThatOpenedIt)
{
    auto first = std::make_shared<ScriptedUiBridge>();
    auto second = std::make_shared<ScriptedUiBridge>();
    setBridge(first);
    const ProgressId id = bridge().openProgress({"Copying", {"file 1"}, {}, {}});
    ASSERT_NE(id, kNoProgress);

    setBridge(second);
    first->cancelProgress(id);
    bridge().updateProgress(id, ProgressState{{"file 2"}, 0, 50, "", -1});
    EXPECT_TRUE(bridge().progressCancelled(id));
    bridge().closeProgress(id);

    EXPECT_EQ(second->callCount(), 0u);
    const auto calls = first->calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].kind, Kind::UpdateProgress);
    EXPECT_EQ(calls[1].progressState.percent, 50);
    EXPECT_EQ(calls[2].kind, Kind::CloseProgress);

    // Closed: the id is unknown now, and calls with it are ignored.
    EXPECT_FALSE(bridge().progressCancelled(id));
    bridge().updateProgress(id, ProgressState{});
    EXPECT_EQ(first->callCount(), 3u);
}

TEST_F(UiBridgeTest, CallsFromThreadsWhileTheBridgeIsReplaced)
{
    constexpr int kThreads = 6;
    constexpr int kCallsPerThread = 300;
    std::atomic<int> answered{0};
    std::atomic<bool> stop{false};

    auto makeBridge = [&] {
        auto scripted = std::make_shared<ScriptedUiBridge>();
        scripted->setObserver([&](const ScriptedUiBridge::Call& call) {
            if (call.kind == Kind::MessageBox)
                ++answered;
        });
        return scripted;
    };
    setBridge(makeBridge());

    // Each replacement drops the only other owner of the old bridge, so a call still running
    // on it would touch freed memory if the current bridge were not kept alive.
    std::thread swapper([&] {
        while (!stop)
            setBridge(makeBridge());
    });
    std::vector<std::thread> callers;
    std::atomic<int> wrong{0};
    for (int t = 0; t < kThreads; ++t) {
        callers.emplace_back([&] {
            for (int i = 0; i < kCallsPerThread; ++i) {
                if (bridge().messageBox({"x", "y", kMbOkCancel | kMbDefButton2, 0}) != kIdCancel)
                    ++wrong;
                const ProgressId id = bridge().openProgress({"p", {}, {}, {}});
                bridge().updateProgress(id, ProgressState{});
                bridge().closeProgress(id);
            }
        });
    }
    for (auto& caller : callers)
        caller.join();
    stop = true;
    swapper.join();

    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(answered.load(), kThreads * kCallsPerThread);
}

TEST(ClipToLengthTest, CutsWithoutSplittingACharacter)
{
    struct Case
    {
        std::string text;
        std::size_t maxLength;
        std::string expected;
    };
    const Case cases[] = {
        {"abcdef", 0, "abcdef"}, // no limit
        {"abc", 3, "abc"},       // fits exactly
        {"abcdef", 3, "abc"},
        {"a\xC3\xB1"
         "b",
         2, "a"}, // would split the 2-byte letter
        {"a\xC3\xB1"
         "b",
         3, "a\xC3\xB1"},
        {"\xE2\x82\xAC", 2, ""}, // 3-byte euro sign
        {"\xE2\x82\xAC"
         "x",
         3, "\xE2\x82\xAC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(clipToLength(c.text, c.maxLength), c.expected) << c.text << " / " << c.maxLength;
}

} // namespace
} // namespace platform::ui
