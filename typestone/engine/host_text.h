#pragma once
// Text the host sends inside a command (a field, a record, a bar code's data, a file name) to
// the engine's 8-bit text: each byte through the host-to-OEM table, then, in mode 0, from OEM
// to ANSI (the euro sign becomes ANSI 0x80). With a room, every carriage return gets a line
// feed after it and the result is cut to fit the room.

#include <cstddef>
#include <string>
#include <string_view>

namespace typestone {

// The modes: ANSI for names and text the system's own code handles, OEM for text the page
// draws with the character-cell faces. Any mode other than 0 is OEM.
inline constexpr int kHostTextAnsi = 0;
inline constexpr int kHostTextOem = 1;

// `host` up to its first NUL, converted. Room 0: as long as the text, carriage returns kept
// as they are. Room n: every carriage return followed by a line feed, and at most n - 1 bytes
// (n with the terminating zero of a buffer of n); a carriage return whose line feed would not
// fit is left out too, so a cut never leaves half a line end.
std::string HostStrToAnsi(std::string_view host, std::size_t room, int mode);

// In place in the zero-terminated `text`. Room 0: the text keeps its length (no line feeds are
// added). Room n: `text` is a buffer of n bytes, of which no more than n are read or written,
// terminating zero included. A null text or, with a room, a room of 1 gives an empty text.
// Returns `text`.
char* HostStrToAnsi(char* text, std::size_t room, int mode);

// The string form, with room for twice its length plus one: every carriage return gets its
// line feed and nothing is cut. Returns `text`.
std::string& HostCStrToAnsi(std::string& text, int mode);

} // namespace typestone
