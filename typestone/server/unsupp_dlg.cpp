#include "typestone/server/unsupp_dlg.h"

#include "typestone/engine/trace_areas.h"
#include "typestone/engine/unsupported_report.h"
#include "typestone/server/server_strings.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/version.h"

#include "platform/ui/ui_bridge.h"

#include <mutex>

namespace typestone {
namespace {

std::mutex g_webMutex;
UnsuppDlgWebUpdate g_web;

// The update button's action, or none when the web update is not there or not available.
std::function<bool()> updateAction()
{
    std::lock_guard lock(g_webMutex);
    if (!g_web.available || !g_web.query || !g_web.available())
        return {};
    return [] {
        std::function<bool()> query;
        {
            std::lock_guard inner(g_webMutex);
            query = g_web.query;
        }
        return query && query();
    };
}

} // namespace

void SetUnsuppDlgWebUpdate(UnsuppDlgWebUpdate update)
{
    std::lock_guard lock(g_webMutex);
    g_web = std::move(update);
}

bool ShowUnsuppDlg(const std::string& text, const std::string& message, unsigned required, unsigned supported)
{
    UnsupportedCommandReport report;
    report.title = text;
    report.message = message;
    report.required = required;
    report.supported = supported;
    if (TRZ_IsOn(kTrzCore))
        TRZ_Write(UnsupportedTraceLine(report));

    std::string version;
    FormatVersion(version);
    platform::ui::UnsupportedCommandRequest dialog;
    dialog.caption = kUnsupportedCaption;
    dialog.text = UnsupportedDialogText(report, version, TraceSettings::extendedDebug(),
                                        serverString(kStrCommandVersion));
    dialog.update = updateAction();
    dialog.timeoutMs = 30000;
    return platform::ui::bridge().unsupportedCommand(dialog).ignoreLater;
}

} // namespace typestone
