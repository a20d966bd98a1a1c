#include "platform/ui/headless_ui_bridge.h"

#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace platform::ui {
namespace {

TEST(HeadlessUiBridgeTest, BoxesGetTheDefaultAnswerAndOneSinkLineEach)
{
    std::vector<std::string> lines;
    HeadlessUiBridge ui([&](std::string_view line) { lines.emplace_back(line); });

    struct Case
    {
        MessageBoxRequest request;
        int answer;
        std::string line;
    };
    const Case cases[] = {
        {{"Printer ready", "Typestone", kMbOk | kMbIconInformation, 0},
         kIdOk,
         "message box 'Typestone': Printer ready -> 1"},
        {{"Simulate none printers ?", "Debug", kMbYesNo | kMbDefButton2, 5000},
         kIdNo,
         "message box 'Debug': Simulate none printers ? -> 7"},
        {{"Retry?", "", kMbRetryCancel | kMbIconExclamation, 0}, kIdRetry, "message box '': Retry? -> 4"},
        // A multi-line text stays on one log line.
        {{"Line 1\nLine 2\tend\\\x01", "A\r\nB", kMbYesNoCancel | kMbDefButton3, 0},
         kIdCancel,
         "message box 'A\\r\\nB': Line 1\\nLine 2\\tend\\\\\\x01 -> 2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui.messageBox(c.request), c.answer) << c.line;

    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], cases[i].line);
}

TEST(HeadlessUiBridgeTest, QuestionsGoUnansweredAndAreLogged)
{
    std::vector<std::string> lines;
    HeadlessUiBridge ui([&](std::string_view line) { lines.emplace_back(line); });

    TextQuestion question{"Share password:", "Printer LP1", "secret", 32, 0};
    EXPECT_EQ(ui.askText(question), std::nullopt);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "question 'Printer LP1': Share password: -> (no answer)");
}

TEST(HeadlessUiBridgeTest, WorksWithoutASink)
{
    HeadlessUiBridge ui;
    EXPECT_EQ(ui.messageBox({"x", "y", kMbOkCancel | kMbDefButton2, 0}), kIdCancel);
    EXPECT_EQ(ui.askText({"p", "c", "i", 0, 0}), std::nullopt);
}

TEST(HeadlessUiBridgeTest, ProgressIsTrackedButNeverCancelled)
{
    HeadlessUiBridge ui;
    const ProgressId first = ui.openProgress({"Printing", {"Job 1"}, {}, {}});
    const ProgressId second = ui.openProgress({"Copying", {}, {}, {}});
    EXPECT_NE(first, kNoProgress);
    EXPECT_NE(second, kNoProgress);
    EXPECT_NE(first, second);
    EXPECT_EQ(ui.openProgressCount(), 2u);

    ProgressState state;
    state.lines = {"Page 3"};
    state.percent = 30;
    ui.updateProgress(first, state);
    ui.updateProgress(kNoProgress, state); // ignored
    EXPECT_FALSE(ui.progressCancelled(first));

    ui.closeProgress(first);
    ui.closeProgress(first);         // twice: ignored
    ui.closeProgress(second + 1000); // never opened: ignored
    EXPECT_EQ(ui.openProgressCount(), 1u);
    ui.closeProgress(second);
    EXPECT_EQ(ui.openProgressCount(), 0u);
}

} // namespace
} // namespace platform::ui
