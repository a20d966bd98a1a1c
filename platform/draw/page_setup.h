#pragma once
// The paper of a job's pages: media, orientation and resolution, and the device values they
// give.

#include "platform/draw/dc.h"
#include "platform/spooler/print_options.h"
#include "platform/spooler/printer_defaults.h"

#include <optional>
#include <string>

namespace platform::draw {

struct PageSetup
{
    std::string media = "iso_a4_210x297mm"; // PWG self-describing name
    spooler::Orientation orientation = spooler::Orientation::Portrait;
    spooler::Resolution resolution;
    // The sheet's unprintable edges as it lies in portrait; none unless the printer has some.
    spooler::Margins margins{0, 0, 0, 0};

    // The printer's defaults with the options that are set taking their place.
    static PageSetup from(const spooler::PrinterDefaults& defaults, const spooler::PrintOptions& options);

    // The sheet in millimetres (portrait: width <= height as the name gives it) from the PWG
    // name's size part ("..._210x297mm", "..._8.5x11in"); nullopt for a name without one.
    static std::optional<std::pair<double, double>> mediaSizeMm(const std::string& media);

    bool isLandscape() const;
    // Checks the media name, resolution and margins; false with the reason.
    bool check(std::string* error) const;
    // Device values: the printable area inside the margins, its corner the origin (offset),
    // turned for the orientation.
    DeviceCaps caps() const;
    // The margins as the page lies: the sheet's edges turned with the orientation.
    spooler::Margins pageMargins() const;
};

} // namespace platform::draw
