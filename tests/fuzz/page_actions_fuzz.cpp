// Recorded page actions and inserted fields. Input: two bytes of range flags, then a stream
// that is recorded under the range {1, open end, flags} (stored only when the flags say so)
// and played on the pages that follow; its first 512 bytes are also the format of every field
// type. Properties: what the actions hold stays within the job's bound, a job starts and ends
// one document, and every field keeps to its room.

#include "tests/fuzz/fuzz_env.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/command_codes.h"
#include "typestone/engine/date_pictures.h"
#include "typestone/engine/field_text.h"
#include "typestone/engine/win_prt.h"

#include "tests/support/draw/fake_font_engine.h"

#include <cstring>
#include <memory>
#include <string>

using engine_test::DeviceLog;
using engine_test::RecordingPageDevice;

namespace {

constexpr size_t kLimit = 64 * 1024;

platform::draw::DeviceCaps pageCaps()
{
    platform::draw::DeviceCaps c;
    c.dpiX = c.dpiY = 600;
    c.width = c.physicalWidth = 4800;
    c.height = c.physicalHeight = 6960;
    return c;
}

std::string u16(uint16_t v)
{
    return std::string{char(v & 0xFF), char(v >> 8)};
}

typestone::LocalTime fixedTime()
{
    typestone::LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 31;
    t.weekday = 4;
    t.hour = 23;
    t.minute = 59;
    t.second = 58;
    return t;
}

void fields(const std::string& format)
{
    typestone::FieldSources sources;
    sources.clock = &fixedTime;
    sources.variables = {"PATH", "HOME"};
    for (const auto language : {typestone::DateLanguage::English, typestone::DateLanguage::Spanish}) {
        sources.language = language;
        for (uint16_t type = 0; type <= 4; ++type) {
            const auto f = typestone::FormField(type, format, 65535, sources);
            FUZZ_CHECK(f.text.size() < typestone::kFieldRoom);
            FUZZ_CHECK(f.ok || f.text.empty());
        }
        // A picture grows at most fivefold (one 'g' is an era of five letters).
        FUZZ_CHECK(typestone::FormatDatePicture(fixedTime(), format, language).size() <= 5 * format.size());
        FUZZ_CHECK(typestone::FormatTimePicture(fixedTime(), format, language).size() <= 5 * format.size());
    }
}

} // namespace

FUZZ_TARGET(page_actions)
{
    if (size < 2)
        return 0;
    const uint16_t flags = static_cast<uint16_t>(data[0] | (data[1] << 8));
    const std::string body(reinterpret_cast<const char*>(data + 2), size - 2);
    fields(body.substr(0, 512));

    static platform::draw::FakeFontEngine fonts;
    auto log = std::make_shared<DeviceLog>();
    typestone::CWinPrt prt;
    prt.SetFontEngine(&fonts);
    prt.SetPdfFolder(fuzz::scratchFolder());
    prt.SetPageActionLimit(kLimit);
    prt.SetDeviceFactory([log](const typestone::EngineDeviceRequest&, std::string*) {
        return std::make_unique<RecordingPageDevice>(log, pageCaps());
    });
    typestone::INIT_DATA record = typestone::DefaultInitData();
    std::strncpy(record.printer, "Fuzz", sizeof record.printer - 1);
    if (!prt.StartPrtJob(&record, "fuzz_1", false))
        return 0;
    const std::string stream = engine_test::escBlock(typestone::kCmdRecPage, u16(1) + u16(0) + u16(flags)) +
                               body + engine_test::escBlock(typestone::kCmdRecPage, std::string(6, '\0')) +
                               "\fone\ftwo";
    prt.PrintData(stream.data(), stream.size(), true);
    prt.EndOfStream();
    FUZZ_CHECK(prt.PageActions().Footprint() <= kLimit);
    FUZZ_CHECK(!prt.IsPlaying4Page());
    prt.StopPrtJob(true);
    FUZZ_CHECK(log->count("startDoc fuzz_1") == 1);
    FUZZ_CHECK(log->count("endDoc") + log->count("abortDoc") == 1);
    return 0;
}
