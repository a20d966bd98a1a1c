#pragma once
// A 256-entry byte-to-byte translation and the loops that apply one.
//
// Engine text stays 8-bit until it is drawn, so every character-set change of a byte string
// is one table lookup per byte. The loops never allocate per byte; the std::string forms make
// at most one allocation for the whole result.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::charset {

using ByteTable = std::array<std::uint8_t, 256>;

// Writes table[in[i]] to out[i] for count bytes. `in` and `out` may be the same buffer (the
// conversion then happens in place); other overlaps are not allowed.
void translate(const ByteTable& table, const char* in, char* out, std::size_t count);

// Converts count bytes of buffer in place.
void translateInPlace(const ByteTable& table, char* buffer, std::size_t count);

// Converts the whole string in place (embedded NUL bytes included).
void translateInPlace(const ByteTable& table, std::string& text);

// Returns the converted copy of text.
std::string translated(const ByteTable& table, std::string_view text);

} // namespace platform::charset
