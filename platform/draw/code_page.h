#pragma once
// How the 8-bit text of a font is turned into characters when it is drawn. Engine text stays
// 8-bit; only the Dc converts, by the code page of the selected font.

#include <cstdint>

namespace platform::draw {

enum class CodePage
{
    Ansi,   // Windows-1252
    Oem,    // code page 437, with the screen's pictures for 0x01-0x1F and 0x7F
    Symbol, // the Symbol face's encoding (Greek letters, mathematical signs)
};

// The Unicode character byte stands for in codePage; 0 for a byte that shows nothing.
char32_t toUnicode(CodePage codePage, std::uint8_t byte);

const char* codePageName(CodePage codePage); // "ansi", "oem", "symbol"

} // namespace platform::draw
