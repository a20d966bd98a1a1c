#pragma once
// The strings of the start-up and the service in the user's language.

#include "platform/strings/string_table.h"

#include <string>

namespace typestone {

inline constexpr unsigned kStrUdpCreateFailed = 498;
inline constexpr unsigned kStrTcpListenFailed = 500;

// The string, empty when the table has none.
std::string appString(unsigned id);
// The table itself (to force its language).
platform::StringTable& appStringTable();

} // namespace typestone
