#pragma once
// What the printer settings dialog shows and edits, apart from its widgets, so the way its
// choices become device settings can be checked without clicking.

#include "typestone/server/dev_mode.h"

#include "platform/spooler/printer_defaults.h"

#include <optional>
#include <string>
#include <vector>

namespace typestone {

struct PrtSettingsState
{
    std::string media; // PWG media name
    platform::spooler::Orientation orientation = platform::spooler::Orientation::Portrait;
    int copies = 1;
    platform::spooler::Sides sides = platform::spooler::Sides::OneSided;
    platform::spooler::ColorMode colorMode = platform::spooler::ColorMode::Color;
    platform::spooler::PrintQuality quality = platform::spooler::PrintQuality::Normal;
    // Only when the dialog offers a choice of resolutions.
    std::optional<platform::spooler::Resolution> resolution;
    bool operator==(const PrtSettingsState&) const = default;
};

// The choices the printer offers; an empty list is one the printer does not tell.
using PrtSettingsChoices = platform::spooler::PrinterChoices;

// The dialog's state for `settings` (its resolution always set).
PrtSettingsState SettingsStateOf(const DevMode& settings);

// `base` with the state's settings in place. Everything the dialog does not show (the device
// name, the margins, the extra settings) is kept; a value out of range (an invalid media name,
// copies outside 1..999, a resolution outside 1..9600) keeps the base's value, and no
// resolution in the state keeps the base's.
DevMode ApplySettingsState(const DevMode& base, const PrtSettingsState& state);

// Paper sizes offered when the printer lists none of its own (PWG names).
const std::vector<std::string>& CommonMediaNames();

// The paper list the dialog offers: `offered` (or the common names when empty), with `current`
// first when it is a valid name the list lacks, so opening and closing the dialog loses nothing.
std::vector<std::string> MediaChoices(const std::vector<std::string>& offered, const std::string& current);

} // namespace typestone
