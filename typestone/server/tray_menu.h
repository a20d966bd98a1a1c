#pragma once
// The tray icon's menu as plain values, built from the server's state alone, so the same
// state always gives the same menu; the widget side only shows it.

#include <string>
#include <vector>

namespace typestone {

// The menu's command ids; the numbers are the ones TypestoneUI's menu uses too.
enum TrayCommand : int
{
    kTrayPause = 1,
    kTrayAutoLoad = 2,
    kTrayShowAtStart = 3,
    kTrayHelp = 5,
    kTrayAbout = 6,
    kTrayConfiguration = 7,
    kTrayStop = 9,
    kTrayTracer = 11,
    kTrayTiming = 12,
    kTrayEditTrace = 13,
    kTrayFontSizeTest = 15, // handled, but no item carries it
};

struct TrayState
{
    bool paused = false;
    bool autoStart = false;
    bool showAtStart = false;
    bool debug = false; // the debug switch: the tracing items are offered
    bool tracing = false;
    bool timing = false;
};

struct TrayMenuItem
{
    int id = 0; // 0 for a separator
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool separator() const { return id == 0; }
};

std::vector<TrayMenuItem> BuildTrayMenu(const TrayState& state);

// The icon's tip: "Typestone Server is enabled" or "... is disabled".
std::string TrayTip(bool paused);

// The trace line written after each menu command.
std::string TrayStatusText(const TrayState& state);

// Registering as a service process has no meaning here: the result is that of a system that
// does not offer it.
int RegisterServiceProcess(unsigned long process, unsigned long type);

} // namespace typestone
