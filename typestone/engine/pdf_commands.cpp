// The PDF output commands.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/pending_commands.h"

namespace typestone {

void AddPdfCommands(CommandTable& t)
{
    t.set(kCmdPDFDocument, "PDFDocument", 24, 0x0003, pendingCommand("PDFDocument"));
    t.set(kCmdPrtDocname, "PrtDocname", 6, 0x0003, pendingCommand("PrtDocname"));
    t.set(kCmdPrtOutput, "PrtOutput", 6, 0x0003, pendingCommand("PrtOutput"));
}

} // namespace typestone
