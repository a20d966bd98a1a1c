#pragma once
// The library's formatted strings and its message box (internal to the library).

#include <initializer_list>
#include <string>

namespace klv {

// How long a library message waits for an answer before it counts as unanswered.
inline constexpr int kMessageTimeoutMs = 60000;

// String `id` of the library's table (messageString) with its printf-style fields (%s, %u, %d, %c with an
// optional 0 flag and width, and %%) replaced by `args` in order; a field without an argument becomes empty
// text, so a table entry can never read past what it was given.
std::string formatLibraryString(unsigned id, std::initializer_list<std::string> args);
std::string formatFields(const std::string& pattern, std::initializer_list<std::string> args);

// Shows `text` (style: platform::ui kMb* bits) through the user-interface bridge with the library's caption
// and a time-out; returns the answer (0 when nobody answered).
int libraryMessage(const std::string& text, unsigned style);

} // namespace klv
