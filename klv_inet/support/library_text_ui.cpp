// The library's message box.
//
// Messages go through the user-interface bridge with a time-out, so a service never waits
// for a person: a question nobody answers counts as unanswered (0) and takes the safe branch
// (no replace, no notes).
#include "klv_inet/support/library_text.h"

#include "klv_inet/support/app_name.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

namespace klv {

int libraryMessage(const std::string& text, unsigned style)
{
    platform::ui::MessageBoxRequest request;
    request.text = text;
    request.caption = GetAppName();
    request.style = style;
    request.timeoutMs = kMessageTimeoutMs;
    const int answer = platform::ui::bridge().messageBox(request);
    return answer == platform::ui::kIdTimeout ? 0 : answer;
}

} // namespace klv
