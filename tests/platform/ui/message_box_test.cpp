#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform::ui {
namespace {

// The numbers travel between processes and come from hosts; they must stay the Windows ones.
static_assert(kMbOk == 0 && kMbOkCancel == 1 && kMbAbortRetryIgnore == 2 && kMbYesNoCancel == 3 &&
              kMbYesNo == 4 && kMbRetryCancel == 5);
static_assert(kMbIconHand == 0x10 && kMbIconQuestion == 0x20 && kMbIconExclamation == 0x30 &&
              kMbIconAsterisk == 0x40);
static_assert(kMbDefButton2 == 0x100 && kMbDefButton3 == 0x200 && kMbSystemModal == 0x1000 &&
              kMbSetForeground == 0x10000 && kMbTopmost == 0x40000 && kMbServiceNotification == 0x200000);
static_assert(kIdOk == 1 && kIdCancel == 2 && kIdAbort == 3 && kIdRetry == 4 && kIdIgnore == 5 &&
              kIdYes == 6 && kIdNo == 7 && kIdTimeout == 32000);

struct ButtonSetCase
{
    std::uint32_t set;
    std::vector<int> buttons;
};

TEST(MessageBoxTest, ButtonSetsListTheirAnswersInOrder)
{
    const ButtonSetCase cases[] = {
        {kMbOk, {kIdOk}},
        {kMbOkCancel, {kIdOk, kIdCancel}},
        {kMbAbortRetryIgnore, {kIdAbort, kIdRetry, kIdIgnore}},
        {kMbYesNoCancel, {kIdYes, kIdNo, kIdCancel}},
        {kMbYesNo, {kIdYes, kIdNo}},
        {kMbRetryCancel, {kIdRetry, kIdCancel}},
        {0x6, {kIdOk}}, // sets this bridge does not know show OK alone
        {0xF, {kIdOk}},
    };
    for (const ButtonSetCase& c : cases) {
        const auto buttons = buttonAnswers(c.set | kMbIconQuestion | kMbDefButton2 | kMbTopmost);
        EXPECT_EQ(std::vector<int>(buttons.begin(), buttons.end()), c.buttons) << "set " << c.set;
    }
}

TEST(MessageBoxTest, DefaultAnswerForEveryButtonSetAndDefaultButton)
{
    // Columns: default button 1, 2, 3, and 4 (0x300, beyond every set).
    struct Case
    {
        std::uint32_t set;
        int answers[4];
    };
    const Case cases[] = {
        {kMbOk, {kIdOk, kIdOk, kIdOk, kIdOk}},
        {kMbOkCancel, {kIdOk, kIdCancel, kIdCancel, kIdCancel}},
        {kMbAbortRetryIgnore, {kIdAbort, kIdRetry, kIdIgnore, kIdIgnore}},
        {kMbYesNoCancel, {kIdYes, kIdNo, kIdCancel, kIdCancel}},
        {kMbYesNo, {kIdYes, kIdNo, kIdNo, kIdNo}},
        {kMbRetryCancel, {kIdRetry, kIdCancel, kIdCancel, kIdCancel}},
    };
    const std::uint32_t defaults[] = {kMbDefButton1, kMbDefButton2, kMbDefButton3, 0x300};
    // Icons and other flags must not change which button is the default.
    const std::uint32_t extras[] = {0, kMbIconHand | kMbSystemModal,
                                    kMbIconInformation | kMbServiceNotification,
                                    kMbIconQuestion | kMbSetForeground | kMbTopmost};
    for (const Case& c : cases) {
        for (int d = 0; d < 4; ++d) {
            for (const std::uint32_t extra : extras) {
                const std::uint32_t style = c.set | defaults[d] | extra;
                EXPECT_EQ(defaultAnswer(style), c.answers[d]) << "style 0x" << std::hex << style;
            }
        }
    }
}

TEST(MessageBoxTest, DefaultAnswerOfOddStylesIsTheLastButton)
{
    EXPECT_EQ(defaultAnswer(kMbYesNo | kMbDefMask), kIdNo);
    EXPECT_EQ(defaultAnswer(0x7 | kMbDefButton2), kIdOk);
    EXPECT_EQ(defaultAnswer(0xFFFFFFFFu), kIdOk);
}

} // namespace
} // namespace platform::ui
