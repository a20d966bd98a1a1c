#pragma once
// The stand-in handler of a command whose group is not carried out yet: the command is traced
// as not yet carried out and the job goes on.

#include "typestone/engine/command_table.h"

namespace typestone {

// A stand-in handler for the command `name`: traces and returns true.
CmdHandler pendingCommand(const char* name);

} // namespace typestone
