#include "klv_inet/webupdate/debug_ask.h"

#include "klv_inet/support/library_text.h"

#include "platform/ui/message_box.h"

namespace klv {

bool debugAsk(const std::string& text)
{
    using namespace platform::ui;
    return libraryMessage(text, kMbYesNo | kMbIconQuestion | kMbDefButton2) == kIdYes;
}

void debugTell(const std::string& text)
{
    libraryMessage(text, platform::ui::kMbOk | platform::ui::kMbIconInformation);
}

} // namespace klv
