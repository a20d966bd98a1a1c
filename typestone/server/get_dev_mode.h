#pragma once
// The device settings a document is made with: the printer's driver settings (what its spooler
// gives) with the settings a printer's configuration stored laid over them.

#include "typestone/server/dev_mode.h"

#include <string>

namespace platform::spooler {
class Spooler;
}

namespace typestone {

// The settings for `device`, or for the spooler's default printer (its first one when none is
// marked default) when `device` is empty: the driver's, with every setting of `stored` in their
// place when given (its extra settings too: the spooler has no private part of its own to
// keep). False with the reason for a printer the spooler does not know or whose settings it
// cannot read.
// Lays the settings a stored block holds over the driver's (`driver`): media, orientation,
// copies, sides, colour, quality, resolution and the extra settings; the device name and the
// margins stay the driver's.
void MergeStoredSettings(const DevMode& stored, DevMode* driver);

// The printer is read under the printer-open lock, which is let go before this returns.
bool GetDevMode(platform::spooler::Spooler& spooler, const DevMode* stored, const std::string& device,
                DevMode* out, std::string* error);

} // namespace typestone
