#include "typestone/engine/engine_host.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

namespace typestone {

platform::ui::UiBridge& EngineHost::Ui()
{
    return platform::ui::bridge();
}

int EngineHost::TracedBox(const std::string& text, unsigned type, uint32_t mask)
{
    (void)mask;
    platform::ui::MessageBoxRequest box;
    box.text = text;
    box.style = type;
    box.timeoutMs = 60000;
    return Ui().messageBox(box);
}

EngineHost& EngineHost::Default() noexcept
{
    static EngineHost host;
    return host;
}

} // namespace typestone
