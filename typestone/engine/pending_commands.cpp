#include "typestone/engine/pending_commands.h"

#include "typestone/engine/win_prt.h"

#include <string>

namespace typestone {

CmdHandler pendingCommand(const char* name)
{
    return [name](CWinPrt& prt, const EscBlock& block) {
        prt.Trace(kTrzJobs, "\nCWinPrt::%s (%u bytes) - not yet carried out", name, block.length);
        return true;
    };
}

bool PrintFileCommand(CWinPrt& prt, const EscBlock& block)
{
    const uint8_t* p = block.data;
    const uint16_t flags = static_cast<uint16_t>(p[0] | (p[1] << 8));
    const unsigned first = static_cast<unsigned>(p[2] | (p[3] << 8));
    const unsigned count = static_cast<unsigned>(p[4] | (p[5] << 8));
    // The padding guarantees a zero after the block, so the name is terminated.
    const std::string name(reinterpret_cast<const char*>(p + 24));

    if (!(flags & 0x8000)) {
        // Host files come through the host file link, which is not part of this engine yet.
        prt.Trace(kTrzJobs, "\n_PrintFile(%s): %s - host files not yet carried out", "Valdor", name);
        return true;
    }
    if (flags & 0x2000) {
        prt.Trace(kTrzJobs, "\n_PrintFile(%s): %s - printing foreign documents not yet carried out", "Windows",
                  name);
        return true;
    }
    const auto local = prt.GetDriveMap().map(name);
    if (!local) {
        prt.Trace(kTrzJobs, "\nPrintFile()-FALSE: '%s' is outside the mapped folders [OUT]", name);
        return false;
    }
    if (!prt.IsPageStarted() && !prt.StartPage())
        return false;
    return prt.PrintFile(*local, true, flags, first, count, false, 44);
}

} // namespace typestone
