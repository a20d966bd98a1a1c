#pragma once
// The server's own strings in the user's language.

#include "platform/strings/string_table.h"

#include <optional>
#include <string>

namespace typestone {

inline constexpr unsigned kStrVersion = 28;
inline constexpr unsigned kStrOverwriteTrace = 458;
inline constexpr unsigned kStrEditTrace = 3004;
inline constexpr unsigned kStrBinaryDump = 3005;

// The string, empty when the table has none.
std::string serverString(unsigned id);
// For the library's boxes by string id: true with *out set when the table has the string.
bool serverStringLookup(unsigned id, std::string* out);

// Forces the language of the server's string tables (this one and the start-up's); nullopt
// follows the system again.
void SetStringsLanguage(std::optional<platform::StringTable::Language> language);

} // namespace typestone
