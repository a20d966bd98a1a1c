#pragma once
// Windows-1252, the ANSI character set of the Windows side, to and from Unicode.
//
// 0x00-0x7F and 0xA0-0xFF are the same numbers in Unicode; 0x80-0x9F hold typographic marks
// and a few letters. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the C1 control codes of the same number, as Windows' own conversion does, so
// every byte survives a trip through Unicode and back.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::charset {

char32_t cp1252ToUnicode(std::uint8_t byte);

// The UTF-8 text of a Windows-1252 string (every byte, embedded NUL bytes included).
std::string cp1252ToUtf8(std::string_view text);

// The exact byte for codePoint, if Windows-1252 has one; false (byte untouched) otherwise.
// No look-alike is substituted.
bool unicodeToCp1252(char32_t codePoint, std::uint8_t* byte);

// Converts UTF-8 text to Windows-1252, exactly. Fails when the text is not well-formed UTF-8
// or holds a character Windows-1252 lacks; `out` is then left as it was and `error` (when
// given) names the character and its byte offset.
bool utf8ToCp1252(std::string_view utf8, std::string* out, std::string* error = nullptr);

} // namespace platform::charset
