#pragma once
// A printer's device settings, optionally edited by the person in the printer settings dialog.

#include "typestone/server/dev_mode.h"

#include <optional>
#include <string>

class QWidget;

namespace platform::spooler {
class Spooler;
}

namespace typestone {

// The settings of `printer` (the spooler's default printer when empty): the driver's with
// `stored` laid over them, as GetDevMode makes them. With `prompt` the printer settings
// dialog then shows them (over `parent`); OK puts the edited settings into `out`, Cancel
// returns false, leaves `out` alone and shows nothing.
//
// A printer that cannot be read shows "_SetupPrtConfig(<printer>)" and the reason on a new line
// through the UI bridge, and returns false. The printer is read under the printer-open lock and
// let go before the dialog opens, so no job waits for the person. With `prompt` it must be
// called on the GUI thread (elsewhere it fails, with the box, and opens nothing).
bool SetupPrtConfig(platform::spooler::Spooler& spooler, const DevMode* stored, const std::string& printer,
                    DevMode* out, bool prompt, QWidget* parent);

// The share dialog's "Properties...": SetupPrtConfig with the dialog on `devMode` (the share
// dialog's copy, none for the printer's own settings), which is replaced only on OK. True when
// it was.
bool EditPrinterSettings(platform::spooler::Spooler& spooler, const std::string& printer,
                         std::optional<DevMode>* devMode, QWidget* parent);

} // namespace typestone
