#pragma once
// Small UTF-8 helpers shared by the code-page converters.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::charset {

// Appends the UTF-8 form of codePoint. A surrogate or a value above U+10FFFF is not a
// character and is appended as U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

// Decodes the character that starts at text[pos] and advances pos past it. Returns false,
// leaving pos unchanged, when the bytes there are not well-formed UTF-8 (a stray continuation
// byte, a sequence cut short by the end of text, an overlong form, a surrogate, or a value
// above U+10FFFF), and when pos is at or past the end.
bool decodeUtf8(std::string_view text, std::size_t& pos, char32_t& codePoint);

} // namespace platform::charset
