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

    // Checks the values that are set against the limits of printer_defaults.h.
    bool check(std::string* error) const;
};

} // namespace platform::spooler
