#include "tests/support/ui/scripted_ui_bridge.h"

#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace platform::ui {
namespace {

using namespace std::chrono_literals;
using Kind = ScriptedUiBridge::Call::Kind;

TEST(ScriptedUiBridgeTest, BoxesTakeScriptedAnswersInOrderThenTheDefault)
{
    ScriptedUiBridge ui;
    ui.pushBoxAnswer(kIdNo);
    ui.pushBoxAnswer(kIdCancel);

    const MessageBoxRequest box{"Overwrite?", "Copy", kMbYesNoCancel | kMbIconQuestion, 250};
    EXPECT_EQ(ui.messageBox(box), kIdNo);
    EXPECT_EQ(ui.messageBox(box), kIdCancel);
    EXPECT_EQ(ui.messageBox(box), kIdYes); // script empty: the default button
    EXPECT_EQ(ui.messageBox({"b", "c", kMbYesNo | kMbDefButton2, 0}), kIdNo);

    const auto calls = ui.calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, Kind::MessageBox);
    EXPECT_EQ(calls[0].box.text, "Overwrite?");
    EXPECT_EQ(calls[0].box.caption, "Copy");
    EXPECT_EQ(calls[0].box.style, kMbYesNoCancel | kMbIconQuestion);
    EXPECT_EQ(calls[0].box.timeoutMs, 250u);
    const int answers[] = {kIdNo, kIdCancel, kIdYes, kIdNo};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].answer, answers[i]);
        EXPECT_TRUE(calls[i].finished);
        EXPECT_FALSE(calls[i].timedOut);
    }
}

TEST(ScriptedUiBridgeTest, QuestionsTakeScriptedTextCancelTimeoutThenTheInitialText)
{
    ScriptedUiBridge ui;
    ui.pushTextAnswer("lp0");
    ui.pushTextCancel();
    ui.pushTextTimeout();
    ui.pushTextAnswer("a\xC3\xB1o"); // "año": the cut at 2 bytes falls inside the 2-byte letter

    EXPECT_EQ(ui.askText({"Printer:", "Setup", "", 0, 0}), "lp0");
    EXPECT_EQ(ui.askText({"Printer:", "Setup", "", 0, 0}), std::nullopt);
    EXPECT_EQ(ui.askText({"Printer:", "Setup", "", 0, 100}), std::nullopt);
    EXPECT_EQ(ui.askText({"Year:", "Setup", "", 2, 0}), "a");
    EXPECT_EQ(ui.askText({"Name:", "Setup", "unchanged", 0, 0}), "unchanged");
    EXPECT_EQ(ui.askText({"Name:", "Setup", "unchanged", 3, 0}), "unc");

    const auto calls = ui.calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].kind, Kind::AskText);
    EXPECT_EQ(calls[0].question.prompt, "Printer:");
    EXPECT_EQ(calls[0].text, "lp0");
    EXPECT_FALSE(calls[1].timedOut); // cancelled, not timed out
    EXPECT_TRUE(calls[2].timedOut);
    EXPECT_EQ(calls[3].question.maxLength, 2u);
}

TEST(ScriptedUiBridgeTest, ScriptedBoxTimeoutAnswersTimeout)
{
    ScriptedUiBridge ui;
    ui.pushBoxTimeout();
    EXPECT_EQ(ui.messageBox({"t", "c", kMbOkCancel, 1000}), kIdTimeout);
    EXPECT_TRUE(ui.calls().at(0).timedOut);
}

TEST(ScriptedUiBridgeTest, HeldCallEndsAtItsOwnTimeoutWithoutUsingTheScript)
{
    ScriptedUiBridge ui;
    ui.pushBoxAnswer(kIdRetry);
    ui.pushTextAnswer("kept");
    ui.hold();

    EXPECT_EQ(ui.messageBox({"Paper out", "LP1", kMbRetryCancel, 20}), kIdTimeout);
    EXPECT_EQ(ui.askText({"Name:", "c", "x", 0, 20}), std::nullopt);
    auto calls = ui.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].timedOut);
    EXPECT_EQ(calls[0].answer, kIdTimeout);
    EXPECT_TRUE(calls[1].timedOut);

    ui.release();
    EXPECT_EQ(ui.messageBox({"Paper out", "LP1", kMbRetryCancel, 20}), kIdRetry);
    EXPECT_EQ(ui.askText({"Name:", "c", "x", 0, 20}), "kept");
}

TEST(ScriptedUiBridgeTest, HeldCallWithoutTimeoutEndsAtTheHoldLimit)
{
    ScriptedUiBridge ui;
    ui.setHoldLimit(20ms);
    ui.hold();
    EXPECT_EQ(ui.messageBox({"Waiting", "c", kMbOk, 0}), kIdTimeout);
    EXPECT_TRUE(ui.calls().at(0).timedOut);
}

TEST(ScriptedUiBridgeTest, HeldCallIsAnsweredWhenReleased)
{
    ScriptedUiBridge ui;
    ui.pushBoxAnswer(kIdIgnore);
    ui.hold();

    int answer = 0;
    std::thread caller([&] { answer = ui.messageBox({"Error", "c", kMbAbortRetryIgnore, 0}); });
    ASSERT_TRUE(ui.waitForCalls(1, 5s));
    const auto pending = ui.calls();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_FALSE(pending[0].finished); // the caller is still waiting for its answer
    ui.release();
    caller.join();

    EXPECT_EQ(answer, kIdIgnore);
    const auto calls = ui.calls();
    EXPECT_TRUE(calls[0].finished);
    EXPECT_FALSE(calls[0].timedOut);
}

TEST(ScriptedUiBridgeTest, ProgressIsRecordedAndCancelledByTheTest)
{
    ScriptedUiBridge ui;
    // Cancels as a person would after seeing the third update.
    ui.setObserver([&](const ScriptedUiBridge::Call& call) {
        if (call.kind == Kind::UpdateProgress && call.progressState.percent == 30)
            ui.cancelProgress(call.progress);
    });

    const ProgressId id = ui.openProgress({"Printing", {"Job 7", "LP1"}, {}, {}});
    ASSERT_NE(id, kNoProgress);
    EXPECT_EQ(ui.openProgressCount(), 1u);
    int updates = 0;
    while (!ui.progressCancelled(id) && updates < 10) {
        ++updates;
        ProgressState state;
        state.lines = {"Page " + std::to_string(updates)};
        state.level = 1;
        state.percent = updates * 10;
        state.status = "0:0" + std::to_string(updates);
        ui.updateProgress(id, state);
    }
    EXPECT_EQ(updates, 3);
    ui.closeProgress(id);
    EXPECT_EQ(ui.openProgressCount(), 0u);
    EXPECT_FALSE(ui.progressCancelled(id)); // closed: unknown again
    EXPECT_FALSE(ui.cancelProgress(id));

    const auto calls = ui.calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].kind, Kind::OpenProgress);
    EXPECT_EQ(calls[0].progressOpen.caption, "Printing");
    EXPECT_EQ(calls[0].progressOpen.lines, (std::vector<std::string>{"Job 7", "LP1"}));
    EXPECT_EQ(calls[2].kind, Kind::UpdateProgress);
    EXPECT_EQ(calls[2].progressState.lines, std::vector<std::string>{"Page 2"});
    EXPECT_EQ(calls[2].progressState.level, 1);
    EXPECT_EQ(calls[2].progressState.percent, 20);
    EXPECT_EQ(calls[2].progressState.status, "0:02");
    EXPECT_EQ(calls[4].kind, Kind::CloseProgress);
    for (const auto& call : calls)
        EXPECT_EQ(call.progress, id);
}

TEST(ScriptedUiBridgeTest, ConcurrentCallersAreRecordedWholeAndEachAnswerIsUsedOnce)
{
    constexpr int kThreads = 8;
    constexpr int kCallsPerThread = 50;
    ScriptedUiBridge ui;
    std::set<std::string> pushed;
    for (int i = 0; i < kThreads * kCallsPerThread; ++i) {
        pushed.insert("answer " + std::to_string(i));
        ui.pushTextAnswer("answer " + std::to_string(i));
    }

    std::vector<std::vector<std::string>> received(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string caption = "thread " + std::to_string(t);
            for (int i = 0; i < kCallsPerThread; ++i) {
                const std::string prompt = caption + " call " + std::to_string(i);
                if (auto text = ui.askText({prompt, caption, "", 0, 1000}))
                    received[t].push_back(*text);
                ui.messageBox({prompt, caption, kMbYesNo | kMbDefButton2, 1000});
            }
        });
    }
    for (auto& thread : threads)
        thread.join();

    std::set<std::string> answers;
    for (const auto& list : received)
        answers.insert(list.begin(), list.end());
    EXPECT_EQ(answers, pushed); // none lost, none handed out twice

    const auto calls = ui.calls();
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(2 * kThreads * kCallsPerThread));
    std::set<std::string> recordedAnswers;
    std::set<std::string> prompts;
    for (const auto& call : calls) {
        EXPECT_TRUE(call.finished);
        if (call.kind == Kind::AskText) {
            EXPECT_EQ(call.question.prompt.rfind(call.question.caption + " call ", 0), 0u)
                << call.question.prompt;
            ASSERT_TRUE(call.text.has_value());
            recordedAnswers.insert(*call.text);
            prompts.insert(call.question.prompt);
        } else {
            ASSERT_EQ(call.kind, Kind::MessageBox);
            EXPECT_EQ(call.box.text.rfind(call.box.caption + " call ", 0), 0u) << call.box.text;
            EXPECT_EQ(call.answer, kIdNo);
        }
    }
    EXPECT_EQ(recordedAnswers, pushed);
    EXPECT_EQ(prompts.size(), static_cast<std::size_t>(kThreads * kCallsPerThread));
}

} // namespace
} // namespace platform::ui
