// The file commands: printing a file, and the print log.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/file_params.h"
#include "typestone/engine/pending_commands.h"
#include "typestone/engine/win_prt.h"

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
    if (!(p.flags & PrintFileParams::kLocalFile)) {
        // Host files come through the host file link, which is not part of this engine yet.
        prt.Trace(kTrzJobs, "\n_PrintFile(%s): %s - host files not yet carried out", "Valdor", p.name);
        return true;
    }
    if (p.flags & PrintFileParams::kForeignDocument) {
        prt.Trace(kTrzJobs, "\n_PrintFile(%s): %s - printing foreign documents not yet carried out",
                  "Windows", p.name);
        return true;
    }
    const auto local = prt.GetDriveMap().map(p.name);
    if (!local) {
        prt.Trace(kTrzJobs, "\nPrintFile()-FALSE: '%s' is outside the mapped folders [OUT]", p.name);
        return false;
    }
    if (!prt.IsPageStarted() && !prt.StartPage())
        return false;
    return prt.PrintFile(*local, true, p.flags, p.first, p.count, false, 44);
}

} // namespace typestone
