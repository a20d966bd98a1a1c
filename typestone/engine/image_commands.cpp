// The image, barcode and QR-code commands.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/pending_commands.h"

namespace typestone {

void AddImageCommands(CommandTable& t)
{
    t.set(kCmdPrintBitmap, "PrintBitmap", 34, 0x0003, pendingCommand("PrintBitmap"));
    t.set(kCmdPrtImage, "PrtImage", 24, 0x0003, pendingCommand("PrtImage"));
    t.set(kCmdBarCodes, "BarCodes", 48, 0x0003, pendingCommand("BarCodes"));
    t.set(kCmdQRCode, "QRCode", 274, 0x0003, pendingCommand("QRCode"));
}

} // namespace typestone
