#pragma once
// The switches of the program's command line.
//
// The arguments are joined with blanks into one line. A switch is a '-' or '/' whose rest of
// the line equals the switch's word without regard to case, so "/i" installs while
// "/i extra" does not. Debugging is on when the line begins with "/DEBUG" in any case.

#include <string>

namespace typestone {

struct CommandLine
{
    bool install = false;     // "i": install the service and start it
    bool uninstall = false;   // "u": remove the service
    bool regServer = false;   // "RegServer": write the AppID keys and end
    bool unregServer = false; // "UnregServer": remove them and end
    bool embedding = false;   // "Embedding" or "Automation": started for COM, ends at once
    bool debug = false;       // begins with "/DEBUG"
};

CommandLine ParseCommandLine(const std::string& line);
// argv[1..argc-1] joined by single blanks.
std::string JoinArguments(int argc, char** argv);

} // namespace typestone
