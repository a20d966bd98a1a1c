#pragma once
// OEM (code page 437) to ANSI (Windows-1252) and back, with best fit, as a Windows system with
// those two code pages converts (the OemToChar and CharToOem family).
//
// Each byte goes to Unicode through its own code page (control codes stay control codes) and
// then to the other code page: exactly where the character is there, else to its best fit,
// else to '?'. OEM to ANSI: box drawing becomes '+', '-' and the broken bar; shades and blocks
// the broken bar, '_' or the macron; Greek letters and mathematical signs their Latin or ASCII
// look-alikes. ANSI to OEM: accented letters 437 lacks become their base letter, typographic
// quotes and dashes their ASCII forms, and what has no fit (the euro sign, for one) '?'.
// Every character both sets share converts exactly, so it survives OEM -> ANSI -> OEM.
// Byte 0x00 maps to itself in both directions, so zero-terminated strings stay terminated.

#include "platform/charset/byte_table.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::charset {

const ByteTable& oemToAnsiTable();
const ByteTable& ansiToOemTable();

// Buffer forms: count bytes from `in` to `out`, which may be the same buffer.
void oemToAnsi(const char* in, char* out, std::size_t count);
void ansiToOem(const char* in, char* out, std::size_t count);

// String forms.
std::string oemToAnsi(std::string_view oem);
std::string ansiToOem(std::string_view ansi);

// In place.
void oemToAnsiInPlace(char* buffer, std::size_t count);
void ansiToOemInPlace(char* buffer, std::size_t count);
void oemToAnsiInPlace(std::string& text);
void ansiToOemInPlace(std::string& text);

} // namespace platform::charset
