#pragma once
// The processes of the machine, from /proc.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::sysinfo {

struct ProcessEntry
{
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    std::string name; // the command name the system keeps (at most 15 bytes)
    std::string exe;  // the executable's path; empty when it cannot be read (another user's)
};

// Every process visible now, in the order of /proc; an entry that vanishes while it is read
// is left out.
std::vector<ProcessEntry> listProcesses();

// One process; nothing when it does not exist (any more).
std::optional<ProcessEntry> processEntry(uint32_t pid);

// The identity of a process beyond its id, which the system reuses: its start time after
// boot (clock ticks) joined to the boot's id, as text. Empty when the process does not exist.
std::string processStamp(uint32_t pid);

// True when a process of that id exists and, when `stamp` is not empty, is the one that had
// that stamp.
bool processAlive(uint32_t pid, const std::string& stamp);

} // namespace platform::sysinfo
