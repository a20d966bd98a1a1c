#pragma once
// Handlers of the command groups that are carried out elsewhere: until a group is built, its
// commands are traced as not yet carried out and the job goes on.

#include "typestone/engine/command_table.h"

namespace typestone {

// A stand-in handler for the command `name`: traces and returns true.
CmdHandler pendingCommand(const char* name);

// Command PrintFile (20): u16 flags at 0, u16 first line at 2, u16 line count at 4, the host
// file facts at 6..23 and the zero-terminated file name at 24.
bool PrintFileCommand(CWinPrt& prt, const EscBlock& block);

} // namespace typestone
