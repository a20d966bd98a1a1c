#pragma once
// The strings of the library's boxes and dialogs (internal to the library), in the user's
// language.

#include <string>

namespace klv {

inline constexpr unsigned kStrTime = 413;
inline constexpr unsigned kStrStringNotFound = 50000;
inline constexpr unsigned kStrDialogNotFound = 50001;
inline constexpr unsigned kStrCountdown = 50002;
inline constexpr unsigned kStrLevel = 50003;
inline constexpr unsigned kStrUnknown = 50004;
inline constexpr unsigned kStrPage = 50005;

// The string, empty when the table has none.
std::string messageString(unsigned id);
// Whether the table has the string.
bool hasMessageString(unsigned id);

} // namespace klv
