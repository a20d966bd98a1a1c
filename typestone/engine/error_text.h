#pragma once
// The text of a job's failure report: the spooler's codes and the failed command have words
// of their own, any other code is shown as a number with what was being tried.

#include <functional>
#include <string>

namespace typestone {

// The program's string `id`, or `fallback` when it has none.
using StringSource = std::function<std::string(unsigned id, const char* fallback)>;

// The spooler's failure codes, as its document and page calls report them.
inline constexpr int kSpError = -1;
inline constexpr int kSpAppAbort = -2;
inline constexpr int kSpUserAbort = -3;
inline constexpr int kSpOutOfDisk = -4;
inline constexpr int kSpOutOfMemory = -5;

// `message` (what was tried, may be empty) reported under `code`. Code 0 is a failure that
// carries no code: its message stands alone.
std::string ErrorText(int code, const std::string& message, const StringSource& strings);

} // namespace typestone
