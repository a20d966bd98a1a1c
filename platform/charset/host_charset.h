#pragma once
// The hosts' own 8-bit character set, to OEM (code page 437 layout) and to ANSI.
//
// Host bytes 0x00-0x9F are the same in OEM. 0xA0-0xB9 are the host's line-drawing and shade
// characters, 0xC0-0xED its accented letters and signs; 0xBA-0xBF, 0xEE-0xEF and 0xF0-0xFF
// become a blank. Two host characters have no OEM byte of their own and take a stand-in
// there, which the ANSI conversion replaces by the real character: the euro sign 0xE7 is OEM
// 0x9F (code page 437 has no euro sign; 0x9F would otherwise become 'ƒ') and ANSI 0x80; the
// section sign 0xEB is OEM 0x15, the control position the PC screen draws as '§', and ANSI
// 0xA7 (OEM to ANSI keeps 0x15 a control code, which would lose the character).

#include "platform/charset/byte_table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::charset {

// The host bytes of the euro and section signs, and their OEM and ANSI bytes.
inline constexpr std::uint8_t kHostEuro = 0xE7;
inline constexpr std::uint8_t kOemEuro = 0x9F;
inline constexpr std::uint8_t kAnsiEuro = 0x80;
inline constexpr std::uint8_t kHostSection = 0xEB;
inline constexpr std::uint8_t kOemSection = 0x15;
inline constexpr std::uint8_t kAnsiSection = 0xA7;

// Host -> OEM.
const ByteTable& hostToOemTable();
// Host -> OEM -> ANSI (best fit, see oem_ansi.h), but the euro and section signs to their
// ANSI bytes.
const ByteTable& hostToAnsiTable();

// Buffer forms: count bytes from `in` to `out`, which may be the same buffer.
void hostToOem(const char* in, char* out, std::size_t count);
void hostToAnsi(const char* in, char* out, std::size_t count);

// String forms.
std::string hostToOem(std::string_view host);
std::string hostToAnsi(std::string_view host);

// In place.
void hostToOemInPlace(char* buffer, std::size_t count);
void hostToAnsiInPlace(char* buffer, std::size_t count);
void hostToOemInPlace(std::string& text);
void hostToAnsiInPlace(std::string& text);

} // namespace platform::charset
