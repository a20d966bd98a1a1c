// The font and text commands.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/font_text_params.h"
#include "typestone/engine/pending_commands.h"

namespace typestone {

void AddFontTextCommands(CommandTable& t)
{
    t.set(kCmdChangeFont, "ChangeFont", 70, 0x0003, pendingCommand("ChangeFont"));
    t.set(kCmdSetFontName, "SetFontName", SetFontNameParams::kMinLen, 0x0003, pendingCommand("SetFontName"),
          &DescribeParams<SetFontNameParams>);
    t.set(kCmdSetFontSize, "SetFontSize", SetFontSizeParams::kMinLen, 0x0003, pendingCommand("SetFontSize"),
          &DescribeParams<SetFontSizeParams>);
    t.set(kCmdSetFontStyle, "SetFontStyle", SetFontStyleParams::kMinLen, 0x0003,
          pendingCommand("SetFontStyle"), &DescribeParams<SetFontStyleParams>);
    t.set(kCmdSetFontColor, "SetFontColor", SetFontColorParams::kMinLen, 0x0003,
          pendingCommand("SetFontColor"), &DescribeParams<SetFontColorParams>);
    t.set(kCmdSetFontAlign, "SetFontAlign", SetFontAlignParams::kMinLen, 0x0003,
          pendingCommand("SetFontAlign"), &DescribeParams<SetFontAlignParams>);
    t.set(kCmdSetFontEffect, "SetFontEffect", 2, 0x0003, pendingCommand("SetFontEffect"));
}

} // namespace typestone
