#pragma once
// The report of a command the engine cannot carry out (a code it does not know, or a newer
// version of one than it supports): its trace line and the text of its dialog.

#include <cstdint>
#include <string>

namespace typestone {

struct UnsupportedCommandReport
{
    std::string title;   // who met the command
    std::string message; // the command's description
    unsigned required = 0;
    unsigned supported = 0;
};

// The caption of the dialog.
inline constexpr const char* kUnsupportedCaption = "Error: Unsupported Command";
// The program's string that names both versions, and its English text.
inline constexpr unsigned kStrCommandVersion = 494;
inline constexpr const char* kCommandVersionText = "Command Version: Required=%u.%02u, Supported=%u.%02u";

// "\nERROR----\n<title>\n<message>\n-------\n"
std::string UnsupportedTraceLine(const UnsupportedCommandReport& report);

// The program's version line, a blank line, the title (only with extended debugging), the
// message and, when the command asks for a newer version than the supported one, a blank line
// and `versionFormat` (kCommandVersionText when empty) with both versions as n.nn.
std::string UnsupportedDialogText(const UnsupportedCommandReport& report, const std::string& versionLine,
                                  bool extendedDebug, const std::string& versionFormat);

} // namespace typestone
