// The area and position commands.

#include "typestone/engine/area_params.h"
#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/pending_commands.h"

namespace typestone {

void AddAreaCommands(CommandTable& t)
{
    t.set(kCmdSetDCA, "SetDCA", 34, 0x0003, pendingCommand("SetDCA"));
    t.set(kCmdPrtWindow, "PrtWindow", 24, 0x0002, pendingCommand("PrtWindow"));
    t.set(kCmdSetPrtMode, "SetPrtMode", 2, 0x0003, pendingCommand("SetPrtMode"));
    t.set(kCmdPrtSelectArea, "PrtSelectArea", PrtSelectAreaParams::kMinLen, 0x0003,
          pendingCommand("PrtSelectArea"), &DescribeParams<PrtSelectAreaParams>);
    t.set(kCmdPrtChangeArea, "PrtChangeArea", 12, 0x0002, pendingCommand("PrtChangeArea"));
    t.set(kCmdSetRotation, "SetRotation", 6, 0x0003, pendingCommand("SetRotation"));
    t.set(kCmdSetDfltUnits, "SetDfltUnits", 8, 0x0003, pendingCommand("SetDfltUnits"));
    t.set(kCmdSetPos, "SetPos", 14, 0x0003, pendingCommand("SetPos"));
}

} // namespace typestone
