#pragma once
// "RegServer" and "UnregServer": the program's AppID keys in the settings store. The program
// offers no class, only the AppID.

namespace typestone {

inline constexpr const char* kAppIdGuid = "{BEDCD544-9555-11D5-A92B-0000B49025DF}";

// Writes HKEY_CLASSES_ROOT\AppID\<guid> (default value "Typestone") and
// HKEY_CLASSES_ROOT\AppID\Typestone.EXE (value AppID = <guid>). False when the store fails.
bool RegisterAppId();
// Removes both keys; true also when they were not there.
bool UnregisterAppId();

} // namespace typestone
