#pragma once
// The printer test: a job of the project's test stream "TYPST.PRT" on one printer, followed by a
// report of the settings it was printed with. The report is also kept as a text file in the
// state folder, one file per test, so tests running at once never write over each other's.

#include "typestone/engine/engine_setup.h"
#include "typestone/server/dev_mode.h"

#include "platform/spooler/printer_info.h"

#include <string>

namespace typestone {

class EngineHost;

inline constexpr const char* kPrinterTestFile = "TYPST.PRT";

// Program strings of the test, with the texts used when the table has none.
inline constexpr unsigned kStrTestFileMissing = 513; // "File '%s' was not found.\n..."
inline constexpr unsigned kStrReportPage = 592;
inline constexpr unsigned kStrReportPrintedWith = 593;
inline constexpr unsigned kStrReportPrinterConfig = 594;
inline constexpr unsigned kStrReportServer = 596;

struct PrinterTestPlaces
{
    std::string dataFolder;  // where the test stream lies (the program's read-only data)
    std::string stateFolder; // where the reports are written
};

struct PrinterTestResult
{
    bool ok = false;
    std::string jobName;
    std::string reportPath; // empty when no report was written
};

// The settings report's text: the server's name, the printer, and one line per setting in the
// form "Name$ 0x<hex>$ <decimal>[$ <symbolic name>]". `strings` gives the program's strings.
std::string PrinterSettingsReport(const std::string& printer, const platform::spooler::PrinterInfo& info,
                                  const DevMode& settings, EngineHost& strings);

// Prints `fileName` (looked for in the data folder) on `printer` with `settings` (laid over the
// printer's own) and then, on a page of its own, the report of those settings; without
// `settings` the printer's own settings print the stream and no report is made. A printer name must be 1 to
// 254 characters and the file must exist and not be empty, else the person is told (through the host's traced
// box) and the test fails. Each test is named "TYPST_TEST_<printer>_<n>", n counting the tests of this
// process.
PrinterTestResult PrintTestFile(const EngineSetup& setup, EngineHost& host, const PrinterTestPlaces& places,
                                const std::string& printer, const DevMode* settings,
                                const std::string& fileName);

} // namespace typestone
