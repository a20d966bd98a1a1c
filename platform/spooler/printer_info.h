#pragma once
// What a spooler tells about one of its printers.

#include <string>

namespace platform::spooler {

struct PrinterInfo
{
    std::string name;         // as the backend spells it
    std::string makeAndModel; // e.g. "Local Raw Printer"
    std::string deviceUri;    // where the backend sends the jobs
    bool isDefault = false;
    bool accepting = true; // false: new jobs are refused
    // Version of the printer's driver model. Raw jobs for a version-4 driver use the data type
    // "XPS_PASS", all others "RAW". Both real backends report 3.
    int driverVersion = 3;
};

} // namespace platform::spooler
