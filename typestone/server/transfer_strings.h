#pragma once
// The strings of the host file link and transfer, and the "%1"/"%2" placeholders they use.

#include <initializer_list>
#include <string>

namespace typestone {

inline constexpr unsigned kStrServerNoAnswer = 9000; // "...Server '%1' [%2] doesn't answer..."
inline constexpr unsigned kStrHostErrorBase = 53000; // + result code below 117
inline constexpr unsigned kStrTargetExists = 36;     // code 7
inline constexpr unsigned kStrHostNoAnswer = 50999;  // code 50999
inline constexpr unsigned kStrSourceTarget = 50995;  // "Source file:  %1 \nTarget file:  %2"
inline constexpr unsigned kStrTransferFailed = 490;  // "File transference failed (%u)"
inline constexpr unsigned kStrTransferred = 62010;   // "%s transferred ..."
inline constexpr unsigned kStrSuccess = 62011;       // "Successfully transferred."
inline constexpr unsigned kStrAllCancelled = 62012;  // "All transfers cancelled."
inline constexpr unsigned kStrDownloading = 502;     // "Downloading the file '%s'"
inline constexpr unsigned kStrTransferTitle = 121;   // "Transferring... "

// The server's string `id`, or `fallback` when the table has none.
std::string transferString(unsigned id, const char* fallback);
// `pattern` with "%1", "%2", ... replaced by the values in order.
std::string fillPlaceholders(const std::string& pattern, std::initializer_list<std::string> values);

} // namespace typestone
