// The print-stream interpreter: the escape-block framer, the control bytes and the command
// dispatch of CWinPrt with its built-in command table, drawing on the recording Dc with
// formula fonts. Input: a byte n, then n % 8 cut offsets (16-bit), then the stream. The stream
// is printed whole and, by a second job, in pieces cut at those offsets. Property: both jobs
// make the same document calls and the same drawing (in the form of canonicalDrawing), and
// neither draws text between pages.

#include "tests/fuzz/drawing_canon.h"
#include "tests/fuzz/fuzz_env.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/win_prt.h"
#include "typestone/server/job_header.h"

#include "tests/support/draw/fake_font_engine.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using engine_test::DeviceLog;
using engine_test::RecordingPageDevice;
using typestone::CWinPrt;

namespace {

constexpr size_t kMostCuts = 8;

// 80 x 58 cells of 60 x 120 pixels.
platform::draw::DeviceCaps pageCaps()
{
    platform::draw::DeviceCaps c;
    c.dpiX = c.dpiY = 600;
    c.width = c.physicalWidth = 4800;
    c.height = c.physicalHeight = 6960;
    return c;
}

// Drive C: of the stream's file commands: a folder holding one small text file.
const std::string& driveC()
{
    static const std::string folder = [] {
        const std::string dir = fuzz::scratchFolder() + "/c";
        std::filesystem::create_directories(dir);
        const char text[] = "Line one\r\nLine two \xC4\xC4\xC4\r\n\f";
        fuzz::writeFile(dir + "/A.TXT", text, sizeof text - 1);
        return dir;
    }();
    return folder;
}

// Prints `stream` as one job, handing it over in the pieces between `cuts`.
std::shared_ptr<DeviceLog> printJob(const std::string& stream, const std::vector<size_t>& cuts)
{
    static platform::draw::FakeFontEngine fonts;
    auto log = std::make_shared<DeviceLog>();
    CWinPrt prt;
    prt.SetFontEngine(&fonts);
    typestone::DriveMap drives;
    drives.add('C', driveC());
    prt.SetDriveMap(drives);
    prt.SetPdfFolder(fuzz::scratchFolder());
    prt.SetDeviceFactory([log](const typestone::EngineDeviceRequest&, std::string*) {
        return std::make_unique<RecordingPageDevice>(log, pageCaps());
    });
    typestone::INIT_DATA record = typestone::DefaultInitData();
    std::strncpy(record.printer, "Fuzz", sizeof record.printer - 1);
    if (!prt.StartPrtJob(&record, "fuzz_1", false))
        return log;
    size_t from = 0;
    for (size_t cut : cuts) {
        prt.PrintData(stream.data() + from, cut - from, true);
        from = cut;
    }
    prt.PrintData(stream.data() + from, stream.size() - from, true);
    prt.EndOfStream();
    prt.StopPrtJob(true);
    return log;
}

// Whether text is drawn after a page ended and before the next one started: on paper it
// would be lost.
bool textBetweenPages(const std::vector<std::string>& lines)
{
    bool open = false;
    for (const auto& line : lines) {
        if (line == "startPage")
            open = true;
        else if (line == "endPage")
            open = false;
        else if (!open && line.rfind("text ", 0) == 0)
            return true;
    }
    return false;
}

} // namespace

FUZZ_TARGET(print_stream)
{
    if (size < 1)
        return 0;
    size_t at = 1;
    std::vector<uint16_t> offsets;
    for (size_t n = data[0] % (kMostCuts + 1); n > 0 && at + 2 <= size; --n, at += 2)
        offsets.push_back(static_cast<uint16_t>(data[at] | (data[at + 1] << 8)));
    const std::string stream(reinterpret_cast<const char*>(data + at), size - at);

    std::vector<size_t> cuts;
    for (uint16_t o : offsets)
        cuts.push_back(o % (stream.size() + 1));
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    const auto whole = printJob(stream, {});
    const auto pieces = printJob(stream, cuts);
    // Every job starts its document; text, controls and blocks cannot prevent that.
    FUZZ_CHECK(!whole->calls.empty() && whole->calls.front() == "startDoc fuzz_1");
    FUZZ_CHECK(!textBetweenPages(whole->lines));
    FUZZ_CHECK(!textBetweenPages(pieces->lines));
    FUZZ_CHECK(whole->calls == pieces->calls);
    FUZZ_CHECK(fuzz::canonicalDrawing(whole->lines) == fuzz::canonicalDrawing(pieces->lines));
    return 0;
}
