#pragma once
// Small text and time helpers the host link and the dialogs use: trimming, one-character tests,
// bounded copies into the 260-byte name buffers, the system error text and the plausibility
// check of a host's file date.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace typestone {

inline constexpr size_t kNameBufferSize = 260;

// Blanks removed at both ends, in place; returns the text.
char* TrimBlanks(char* text);
std::string& TrimBlanks(std::string& text);

// The text is exactly the one character `c`.
bool IsOneChar(const std::string& text, char c);

// Copy and concatenation into a kNameBufferSize buffer: cut so that the result and its NUL fit.
// Return the buffer (null for a null buffer).
char* CopyName(char* out, const char* text);
char* AppendName(char* out, const char* text);

// The error `error` (errno) as "%s\nError=%u (0x%08x)-%s" with `operation`, or without it
// "\nError=%u (0x%08x)-%s"; the system text is cut at 1000 bytes. Returns out.
std::string& ErrorText(std::string& out, const char* operation, int error);

// The current time in seconds since 1970.
int64_t CurrentTime();
// A host's date kept when it is not negative and its local date has a year from 1980, a month
// 1 to 12 and a day 1 to 31; anything else becomes the current time. Returns *date.
int64_t CheckHostDate(int64_t* date);

} // namespace typestone
