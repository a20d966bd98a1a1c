#pragma once
// The keyboard layouts the system is configured with: the XKB layout list that Debian keeps in
// /etc/default/keyboard (the file localectl and the console setup write), for example
// XKBLAYOUT="us,es".

#include <cstddef>
#include <string>
#include <vector>

namespace platform::sysinfo {

// Longest layout name taken; a longer one is not a layout and is skipped.
inline constexpr std::size_t kMaxXkbLayoutName = 20;
// At most this many layouts are taken from one list.
inline constexpr std::size_t kMaxXkbLayouts = 16;
// A keyboard file larger than this is not read.
inline constexpr std::size_t kMaxKeyboardFileSize = 64 * 1024;

inline constexpr const char* kKeyboardFile = "/etc/default/keyboard";

// The layouts of the XKBLAYOUT line of a keyboard file's text, in their order: the value may
// be quoted, names are split at commas with blanks around them dropped, and empty or overlong
// names are skipped. No XKBLAYOUT line gives an empty list; of several, the last one counts,
// as when the shell reads the file.
std::vector<std::string> parseXkbLayouts(const std::string& text);

// parseXkbLayouts of the file at `path`; empty when it is missing, unreadable or too large.
std::vector<std::string> xkbLayouts(const std::string& path = kKeyboardFile);

} // namespace platform::sysinfo
