// The file commands: printing a file, and the print log.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/file_params.h"
#include "typestone/engine/pending_commands.h"
#include "typestone/engine/win_prt.h"

#include <algorithm>
#include <iterator>

namespace typestone {

void AddFileCommands(CommandTable& t)
{
    t.set(kCmdPrintFile, "PrintFile", PrintFileParams::kMinLen, 0x0003, &PrintFileCommand);
    t.set(kCmdPrtLog, "PrtLog", 6, 0xFFFC, pendingCommand("PrtLog"));
}

bool PrintFileCommand(CWinPrt& prt, const EscBlock& block)
{
    PrintFileParams p;
    p.decode(block);
    HostFileFacts facts{};
    std::copy(std::begin(p.facts), std::end(p.facts), facts.begin());
    return prt.GetServerFile(p.name, p.flags, facts, p.first, p.count, false, 44);
}

} // namespace typestone
