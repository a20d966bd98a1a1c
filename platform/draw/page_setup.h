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

    // The printer's defaults with the options that are set taking their place.
    static PageSetup from(const spooler::PrinterDefaults& defaults, const spooler::PrintOptions& options);

    // The sheet in millimetres (portrait: width <= height as the name gives it) from the PWG
    // name's size part ("..._210x297mm", "..._8.5x11in"); nullopt for a name without one.
    static std::optional<std::pair<double, double>> mediaSizeMm(const std::string& media);

    bool isLandscape() const;
    // Checks the media name and resolution; false with the reason.
    bool check(std::string* error) const;
    // Device values: the whole sheet is printable (offset 0), turned for landscape.
    DeviceCaps caps() const;
};

} // namespace platform::draw
