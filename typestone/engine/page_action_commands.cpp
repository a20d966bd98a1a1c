// The commands that record page actions and print records.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/pending_commands.h"

namespace typestone {

void AddPageActionCommands(CommandTable& t)
{
    t.set(kCmdRecPage, "RecPage", 6, 0xFFFC, pendingCommand("RecPage"));
    t.set(kCmdInsertField, "InsertField", 6, 0x0003, pendingCommand("InsertField"));
    t.set(kCmdPrtRecord, "PrtRecord", 5, 0x0003, pendingCommand("PrtRecord"));
    t.set(kCmdPrtFileRecords, "PrtFileRecords", 29, 0x0003, pendingCommand("PrtFileRecords"));
}

} // namespace typestone
