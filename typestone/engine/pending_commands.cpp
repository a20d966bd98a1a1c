#include "typestone/engine/pending_commands.h"

#include "typestone/engine/win_prt.h"

namespace typestone {

CmdHandler pendingCommand(const char* name)
{
    return [name](CWinPrt& prt, const EscBlock& block) {
        prt.Trace(kTrzJobs, "\nCWinPrt::%s (%u bytes) - not yet carried out", name, block.length);
        return true;
    };
}

} // namespace typestone
