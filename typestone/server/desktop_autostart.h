#pragma once
// Desktop mode's start with the session: the XDG autostart entry typestone.desktop in the
// user's autostart folder ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart). Its presence
// is the auto-start flag; service mode uses the unit's enabled state instead.

#include <string>

namespace typestone {

class DesktopAutoStart
{
public:
    static constexpr const char* kFileName = "typestone.desktop";

    // The entry's full name in the user's autostart folder.
    static std::string EntryPath();
    static std::string EntryText(const std::string& executable);

    static bool IsOn();
    // On: writes the entry that starts `executable`; off: removes it. False with *error.
    static bool Set(bool on, const std::string& executable, std::string* error);
};

} // namespace typestone
