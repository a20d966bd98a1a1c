#include "typestone/server/printer_test.h"

#include "typestone/engine/engine_host.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/printer_open_lock.h"
#include "typestone/engine/win_prt.h"
#include "typestone/server/get_dev_mode.h"

#include "platform/draw/font_engine.h"
#include "platform/text/sprintf.h"
#include "platform/ui/message_box.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace typestone {

namespace fs = std::filesystem;
using platform::spooler::ColorMode;
using platform::spooler::PrintQuality;

namespace {

std::atomic<unsigned> g_testCount{0};

// Bits of the fields word: which settings the report's values stand for.
constexpr uint32_t kFieldOrientation = 0x00000001;
constexpr uint32_t kFieldPaperSize = 0x00000002;
constexpr uint32_t kFieldCopies = 0x00000100;
constexpr uint32_t kFieldPrintQuality = 0x00000400;
constexpr uint32_t kFieldColor = 0x00000800;
constexpr uint32_t kFieldDuplex = 0x00001000;
constexpr uint32_t kFieldYResolution = 0x00002000;
constexpr uint32_t kFieldFormName = 0x00010000;

struct Paper
{
    const char* media;
    int code;
    const char* name;
};

// The paper codes printer drivers use for the common sheets.
constexpr Paper kPapers[] = {
    {"na_letter_8.5x11in", 1, "DMPAPER_LETTER Letter, 8 1/2 by 11 inches"},
    {"na_legal_8.5x14in", 5, "DMPAPER_LEGAL Legal, 8 1/2 by 14 inches"},
    {"na_executive_7.25x10.5in", 7, "DMPAPER_EXECUTIVE Executive, 7 1/4 by 10 1/2 inches"},
    {"iso_a3_297x420mm", 8, "DMPAPER_A3 A3 sheet, 297 by 420 millimeters"},
    {"iso_a4_210x297mm", 9, "DMPAPER_A4 A4 sheet, 210 by 297 millimeters"},
    {"iso_a5_148x210mm", 11, "DMPAPER_A5 A5 sheet, 148 by 210 millimeters"},
};

std::string text(EngineHost& host, unsigned id, const char* fallback)
{
    std::string s;
    if (!host.StringText(id, &s) || s.empty())
        s = fallback;
    return s;
}

std::string field(const char* name, bool set, int value, const char* symbol)
{
    const auto v = static_cast<uint16_t>(value);
    std::string line = platform::text::sprintf("\n%s%s%c 0x%04x%c %u", name, set ? "" : " (nc)", '$',
                                               unsigned{v}, '$', unsigned{v});
    if (symbol != nullptr)
        line += platform::text::sprintf("%c %s", '$', symbol);
    return line;
}

std::string nameLine(const char* name, const std::string& value)
{
    return platform::text::sprintf("\n%s%c %c %c %s", name, '$', '$', '$', value);
}

void tell(EngineHost& host, const std::string& message)
{
    host.TracedBox(message, platform::ui::kMbOk | platform::ui::kMbIconExclamation, kTrzJobs);
}

} // namespace

std::string PrinterSettingsReport(const std::string& printer, const platform::spooler::PrinterInfo& info,
                                  const DevMode& settings, EngineHost& strings)
{
    const platform::spooler::PrinterDefaults& s = settings.settings;
    const Paper* paper = nullptr;
    for (const Paper& p : kPapers)
        if (s.media == p.media)
            paper = &p;
    uint32_t fields = kFieldOrientation | kFieldCopies | kFieldPrintQuality | kFieldColor | kFieldDuplex |
                      kFieldYResolution | kFieldFormName;
    if (paper != nullptr)
        fields |= kFieldPaperSize;

    const int orientation = static_cast<int>(s.orientation) + 1;
    static const char* const kOrientations[] = {"DMORIENT_PORTRAIT", "DMORIENT_LANDSCAPE", nullptr, nullptr};
    const int duplex = static_cast<int>(s.sides) + 1;
    static const char* const kDuplex[] = {"DMDUP_SIMPLEX", "DMDUP_VERTICAL", "DMDUP_HORIZONTAL"};
    const int quality = s.quality == PrintQuality::Draft ? -1 : s.quality == PrintQuality::High ? -4 : -3;
    const char* qualityName = quality == -1 ? "DMRES_DRAFT" : quality == -4 ? "DMRES_HIGH" : "DMRES_MEDIUM";
    const bool mono = s.colorMode == ColorMode::Monochrome;
    const size_t extraSize = settings.toBytes().size() - DevMode::kFixedSize;

    std::string r = text(strings, kStrReportServer, "Typestone Print Server") + "\n" + printer;
    r += "\n" + text(strings, kStrReportPrintedWith, "Printed with Typestone");
    r += "\n" + text(strings, kStrReportPage, "Page");
    r += "\n" + text(strings, kStrReportPrinterConfig, "Printer Configuration");
    r += nameLine("DeviceName", settings.deviceName());
    r += nameLine("DeviceDriver", info.makeAndModel);
    r += nameLine("OutputPort", info.deviceUri);
    r += field("SpecVersion", true, DevMode::kVersion, nullptr);
    r += field("Size", true, DevMode::kFixedSize, nullptr);
    r += field("DriverExtra", true, static_cast<int>(extraSize), nullptr);
    r += platform::text::sprintf("\nFields%c 0x%08x%c %u", '$', fields, '$', fields);
    r += field("Orientation", true, orientation, kOrientations[orientation - 1]);
    r += field("PaperSize", paper != nullptr, paper != nullptr ? paper->code : 0,
               paper != nullptr ? paper->name : nullptr);
    r += field("Copies", true, s.copies, nullptr);
    r += field("PrintQuality", true, quality, qualityName);
    r += field("Color", true, mono ? 1 : 2, mono ? "DMCOLOR_MONOCHROME" : "DMCOLOR_COLOR");
    r += field("Duplex", true, duplex, kDuplex[duplex - 1]);
    r += field("YResolution", true, s.resolution.y, nullptr);
    r += nameLine("FormName", s.media);
    r += "\n";
    return r;
}

PrinterTestResult PrintTestFile(const EngineSetup& setup, EngineHost& host, const PrinterTestPlaces& places,
                                const std::string& printer, const DevMode* settings,
                                const std::string& fileName)
{
    PrinterTestResult result;
    if (printer.empty() || printer.size() > kMaxPrinterName) {
        tell(host,
             platform::text::sprintf("The printer name must be 1 to %u characters long.", kMaxPrinterName));
        return result;
    }
    const std::string path = (fs::path(places.dataFolder) / fs::path(fileName).filename()).string();
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) == 0 || ec) {
        tell(host, platform::text::sprintf(text(host, kStrTestFileMissing,
                                                "File '%s' was not found.\nThis file is required to perform "
                                                "the printer test.")
                                               .c_str(),
                                           path));
        return result;
    }

    INIT_DATA record = DefaultInitData();
    std::memcpy(record.printer, printer.data(), printer.size());
    const unsigned number = ++g_testCount;
    result.jobName = platform::text::sprintf("TYPST_TEST_%s_%u", printer, number);

    // The report is read under the printer-open lock, which is let go before anything prints.
    std::string why;
    DevMode used;
    platform::spooler::PrinterInfo info;
    if (setup.spooler != nullptr) {
        if (std::unique_ptr<OpenPrinter> open = OpenPrinter::open(*setup.spooler, printer, &why))
            info = open->info();
        if (!GetDevMode(*setup.spooler, settings, printer, &used, &why)) {
            if (host.TraceOn(kTrzJobs))
                host.TraceText("\nPrintTestFile(" + printer + "): " + why);
            if (settings != nullptr)
                used = *settings;
        }
    }

    CWinPrt prt;
    std::unique_ptr<platform::draw::FontEngine> fonts;
    PrepareWinPrt(prt, setup, &fonts);
    prt.SetHost(&host);
    const platform::spooler::PrintOptions options = used.toPrintOptions();
    bool ok =
        prt.StartPrtJob(&record, result.jobName.c_str(), false, settings != nullptr ? &options : nullptr);
    if (ok) {
        ok = prt.PrintFile(path, false, 0, 0, 0, false, 44);
        // The report goes with the settings the test was asked to print with.
        if (ok && settings != nullptr && !places.stateFolder.empty()) {
            result.reportPath =
                (fs::path(places.stateFolder) / platform::text::sprintf("TYPST_%u.DATA", number)).string();
            std::FILE* report = std::fopen(result.reportPath.c_str(), "w");
            const std::string body = PrinterSettingsReport(printer, info, used, host);
            const bool written =
                report != nullptr && std::fwrite(body.data(), 1, body.size(), report) == body.size();
            if (report != nullptr && std::fclose(report) != 0)
                ok = false;
            if (!written) {
                if (host.TraceOn(kTrzJobs))
                    host.TraceText("\nPrintTestFile(): the report '" + result.reportPath +
                                   "' could not be written");
                result.reportPath.clear();
                ok = false;
            } else {
                // The report starts a page of its own (ending the open one adds no empty page).
                ok = prt.NewPage(false) && prt.PrintFile(result.reportPath, true, 0, 0, 0, false, 0);
            }
        }
        ok = prt.StopPrtJob(ok) && ok;
    }
    result.ok = ok;
    return result;
}

} // namespace typestone
