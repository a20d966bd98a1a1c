#pragma once
// The driver, device and output names of a printer with the default flag, as stored beside
// its device settings ("wDriver", "wDevice", "wOutput", "wDefault").

#include "platform/spooler/printer_info.h"

#include <string>

namespace typestone {

struct DevNames
{
    std::string driver; // the spooler's make and model
    std::string device; // the printer name
    std::string output; // where the spooler sends its jobs
    bool isDefault = false;

    static DevNames ForPrinter(const platform::spooler::PrinterInfo& info);

    bool operator==(const DevNames&) const = default;
};

} // namespace typestone
