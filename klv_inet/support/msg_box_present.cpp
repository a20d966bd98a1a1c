#include "klv_inet/support/msg_box_present.h"

#include "klv_inet/support/app_name.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

namespace klv {

BoxResult presentBox(const std::string& text, unsigned type, unsigned helpId, unsigned timeoutMs)
{
    (void)helpId; // no help system to open here
    platform::ui::MessageBoxRequest request;
    request.text = text;
    request.caption = GetAppName();
    request.style = type;
    request.timeoutMs = timeoutMs;
    const int answer = platform::ui::bridge().messageBox(request);
    if (answer == platform::ui::kIdTimeout)
        return {0, true};
    return {answer, false};
}

} // namespace klv
