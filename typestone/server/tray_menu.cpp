#include "typestone/server/tray_menu.h"

#include "typestone/server/desktop_strings.h"
#include "typestone/server/server_strings.h"

namespace typestone {
namespace {

std::string text(unsigned id, const char* fallback)
{
    std::string s = serverString(id);
    return s.empty() ? std::string(fallback) : s;
}

} // namespace

std::vector<TrayMenuItem> BuildTrayMenu(const TrayState& state)
{
    std::vector<TrayMenuItem> menu;
    const auto item = [&menu](int id, std::string label, bool checked = false, bool enabled = true) {
        menu.push_back(TrayMenuItem{id, std::move(label), checked, enabled});
    };
    const auto separator = [&menu] { menu.push_back(TrayMenuItem{}); };
    item(kTrayPause, state.paused ? text(kStrMenuEnable, "&Enable") : text(kStrMenuDisable, "&Disable"));
    item(kTrayAutoLoad, text(kStrMenuAutoLoad, "&Autoload on Startup"), state.autoStart);
    // Shown with its state, but nothing here shows a window at start: it stays greyed.
    item(kTrayShowAtStart, text(kStrMenuShowAtStart, "&Show at Startup"), state.showAtStart, false);
    separator();
    item(kTrayHelp, text(kStrMenuHelp, "&Help"));
    item(kTrayAbout, text(kStrMenuAbout, "&About"));
    item(kTrayConfiguration, text(kStrMenuConfiguration, "Configuration"));
    separator();
    item(kTrayStop, text(kStrMenuStop, "&Stop Typestone"));
    if (state.debug) {
        separator();
        item(kTrayTracer, "Tracer", state.tracing);
        item(kTrayTiming, "Timing", state.timing);
        item(kTrayEditTrace, "Edit Trace File");
    }
    return menu;
}

std::string TrayTip(bool paused)
{
    return text(kStrServerTitle, "Typestone Server") +
           (paused ? text(kStrIsDisabled, " is disabled") : text(kStrIsEnabled, " is enabled"));
}

std::string TrayStatusText(const TrayState& state)
{
    std::string s = "\n(5)DisplayTrayMenu-> status=";
    s += state.paused ? "PAUSED" : "CONTINUED";
    s += state.autoStart ? " AUTO-START" : " NO-auto-start";
    s += state.showAtStart ? " SHOW-STARTUP" : " NO-show-startup";
    s += state.tracing ? " TRACING" : " NO-tracing";
    s += state.timing ? " TIMING" : " NO-timing";
    return s;
}

int RegisterServiceProcess(unsigned long process, unsigned long type)
{
    (void)process;
    (void)type;
    return 0;
}

} // namespace typestone
