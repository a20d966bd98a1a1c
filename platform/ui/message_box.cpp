#include "platform/ui/message_box.h"

#include <array>

namespace platform::ui {

namespace {

constexpr std::array<int, 1> kOkButtons{kIdOk};
constexpr std::array<int, 2> kOkCancelButtons{kIdOk, kIdCancel};
constexpr std::array<int, 3> kAbortRetryIgnoreButtons{kIdAbort, kIdRetry, kIdIgnore};
constexpr std::array<int, 3> kYesNoCancelButtons{kIdYes, kIdNo, kIdCancel};
constexpr std::array<int, 2> kYesNoButtons{kIdYes, kIdNo};
constexpr std::array<int, 2> kRetryCancelButtons{kIdRetry, kIdCancel};

} // namespace

std::span<const int> buttonAnswers(std::uint32_t style)
{
    switch (style & kMbTypeMask) {
    case kMbOkCancel:
        return kOkCancelButtons;
    case kMbAbortRetryIgnore:
        return kAbortRetryIgnoreButtons;
    case kMbYesNoCancel:
        return kYesNoCancelButtons;
    case kMbYesNo:
        return kYesNoButtons;
    case kMbRetryCancel:
        return kRetryCancelButtons;
    default:
        return kOkButtons;
    }
}

int defaultAnswer(std::uint32_t style)
{
    const std::span<const int> buttons = buttonAnswers(style);
    const std::size_t index = (style & kMbDefMask) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.back();
}

} // namespace platform::ui
