#pragma once
// Code page 437, the OEM character set of the hosts' screens and reports, to Unicode.
//
// Bytes 0x80-0xFF are the published code page (accented letters, box drawing, shades,
// Greek and mathematical signs). Bytes 0x00-0x1F and 0x7F are control codes in text that is
// processed, but the PC screen shows a picture for each of them (smileys, card suits, arrows,
// the house at 0x7F); the Glyphs form gives those pictures, for text that is to be shown as
// the screen showed it. 0x00 stays U+0000 in both forms.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::charset {

enum class Cp437Form
{
    ControlCodes, // 0x00-0x1F and 0x7F are the control codes U+0000-U+001F and U+007F
    Glyphs,       // 0x01-0x1F and 0x7F are the characters the screen draws for them
};

// The 256 Unicode characters of one form (all in the Basic Multilingual Plane).
const std::array<char16_t, 256>& cp437Table(Cp437Form form = Cp437Form::ControlCodes);

inline char32_t cp437ToUnicode(std::uint8_t byte, Cp437Form form = Cp437Form::ControlCodes)
{
    return cp437Table(form)[byte];
}

// The UTF-8 text of a code page 437 string (every byte, embedded NUL bytes included).
std::string cp437ToUtf8(std::string_view text, Cp437Form form = Cp437Form::ControlCodes);

} // namespace platform::charset
