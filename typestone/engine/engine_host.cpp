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

bool EngineHost::ShowUnsuppDlg(const UnsupportedCommandReport& report)
{
    if (TraceOn(kTrzCore))
        TraceText(UnsupportedTraceLine(report));
    std::string versionFormat;
    StringText(kStrCommandVersion, &versionFormat);
    platform::ui::UnsupportedCommandRequest dialog;
    dialog.caption = kUnsupportedCaption;
    dialog.text = UnsupportedDialogText(report, VersionText(), ExtendedDebug(), versionFormat);
    // A job never waits on a person for long.
    dialog.timeoutMs = 30000;
    return Ui().unsupportedCommand(dialog).ignoreLater;
}

EngineHost& EngineHost::Default() noexcept
{
    static EngineHost host;
    return host;
}

} // namespace typestone
