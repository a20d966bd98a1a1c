#pragma once
// Settings for one submitted document. Anything left unset takes the printer's default.

#include "platform/spooler/printer_defaults.h"

#include <optional>
#include <string>

namespace platform::spooler {

struct PrintOptions
{
    std::optional<std::string> media; // PWG media name
    std::optional<Orientation> orientation;
    std::optional<int> copies;
    std::optional<Sides> sides;
    std::optional<ColorMode> colorMode;
    std::optional<PrintQuality> quality;
    std::optional<Resolution> resolution;
    // Set when the document ends early (its job was cut short), with the reason: kept with the
    // job where the backend keeps a record beside it.
    std::optional<std::string> cutShort;

    // Checks the values that are set against the limits of printer_defaults.h.
    bool check(std::string* error) const;
};

} // namespace platform::spooler
