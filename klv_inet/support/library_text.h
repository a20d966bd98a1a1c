#pragma once
// The library's own strings and its message box (internal to the library).

#include <initializer_list>
#include <string>

namespace klv {

// Message box styles and answers, with the numbers the callers' code uses.
inline constexpr unsigned kMsgOk = 0x0;
inline constexpr unsigned kMsgYesNo = 0x4;
inline constexpr unsigned kMsgIconQuestion = 0x20;
inline constexpr unsigned kMsgIconExclamation = 0x30;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// How long a library message waits for an answer before it counts as unanswered.
inline constexpr int kMessageTimeoutMs = 60000;

// String `id` of the library's table in the user's language; empty when missing.
std::string libraryString(unsigned id);

// String `id` with its printf-style fields (%s, %u, %d, %c with an optional 0 flag and width,
// and %%) replaced by `args` in order; a field without an argument becomes empty text, so a
// table entry can never read past what it was given.
std::string formatLibraryString(unsigned id, std::initializer_list<std::string> args);
std::string formatFields(const std::string& pattern, std::initializer_list<std::string> args);

// Shows `text` through the user-interface bridge with the library's caption and a time-out;
// returns the answer (0 when nobody answered).
int libraryMessage(const std::string& text, unsigned style);

} // namespace klv
