#pragma once
// Small text helpers: a heap copy, a key=value lookup and line-end conversion.

#include "klv_inet/support/klv_export.h"

#include <cstdarg>
#include <string>

// A zero-initialised heap copy of `text` (free it with free()); null for a null text or when
// memory runs out. `file` and `line` name the caller for diagnostics and have no effect.
KLV_EXPORT char* AuxStrDup(const char* text, const char* file = nullptr, int line = 0);

// Finds `key` in `text`; out = what follows it up to the next ',' or the end. Returns 1 when
// found; a null or empty key gives 0 (out emptied whenever the key is usable).
KLV_EXPORT int ExtractFromStr(const std::string& text, const char* key, std::string& out);

// Puts a carriage return before every line feed that has none. Returns the string.
KLV_EXPORT std::string& ConvertLF_To_CRLF(std::string& text);

// printf-style formatting of a va_list into a string of any length.
KLV_EXPORT std::string FormatV(const char* format, va_list args);
