// The text formatter's trace: its steps (the text entry, the run list, sub- and superscripts)
// under the job's trace mask 8, and the status report of its rectangles at the document's end
// under mask 4; nothing of either when the mask is off.

#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/command_codes.h"
#include "typestone/engine/engine_host.h"
#include "typestone/engine/text_formatter.h"
#include "typestone/engine/win_prt.h"

#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace typestone;
using platform::draw::RecordingDc;

namespace {

const char* const kReportHeader = "\n\n******************CTextFormatter status report*********\n";

class TracingHost : public FormatterHost
{
public:
    explicit TracingHost(uint32_t masks) : masks(masks) {}
    void FmtEndLine() override {}
    void FmtDown() override {}
    void FmtPrintData(std::string_view) override {}
    void FmtSetBkMode(int) override {}
    void EnableBoxDrawing(bool) override {}
    bool Cancelled() const override { return false; }
    bool TraceOn(uint32_t mask) const override { return (masks & mask) != 0; }
    void TraceText(const std::string& text) override { trace += text; }

    uint32_t masks;
    std::string trace;
};

TEST(TextFormatterTrace, StepsUnderMaskEightOnly)
{
    const std::vector<std::string> steps = {
        "\nCTextFormatter::FormText2Line(): sale(!pDC)",
        "\nCTextFormatter::FormText2Line(): font='Courier New' nCount=3",
        "\nPrintFTexts():...entra\nm_szText=abc m_sSize(30,20) m_sLineSize=(0,20)",
        "\nm_szText=2 m_sSize(6,12) m_sLineSize=(0,12)\nPrintFTexts():...sale",
        "\n(1)- CFText::SSTextOut()-.....x=30, y=20, nOptions=0, drawRect(0, 0, 0, 0) data=2 "
        "nEffect=00000001  EFFECT_SUBSCRIPT=00000002 \t(nEffect & EFFECT_SUBSCRIPT)=0",
    };
    for (const uint32_t masks : {uint32_t{kTrzJobs}, uint32_t{kTrzStatus}, uint32_t{0}}) {
        SCOPED_TRACE(masks);
        platform::draw::FakeFontEngine engine;
        platform::draw::DeviceCaps caps;
        caps.width = 200;
        caps.height = 100;
        RecordingDc dc(caps);
        dc.setTextAlign(platform::draw::TextAlign::Baseline);
        TracingHost host(masks);
        CTextFormatter f(&host, &engine);
        f.SetFont(platform::draw::makeLogFont("Courier New", -20, 10));
        f.NewPage(&dc, 1);
        dc.selectFont(engine.createFont(f.Font()));
        EXPECT_EQ(f.FormText2Line(nullptr, "abc"), 0);
        f.FormText2Line(&dc, "abc");
        f.SetEffect(kEffectSuperscript, &dc);
        f.FormText2Line(&dc, "2");
        f.FlushLine(&dc, true);
        for (const std::string& step : steps)
            EXPECT_EQ(host.trace.find(step) != std::string::npos, masks == kTrzJobs) << step << "\n"
                                                                                     << host.trace;
        if (masks != kTrzJobs) {
            EXPECT_EQ(host.trace, "");
        }
    }
}

TEST(TextFormatterTrace, TracedHostTextIsCut)
{
    platform::draw::FakeFontEngine engine;
    platform::draw::DeviceCaps caps;
    caps.width = 200;
    caps.height = 100;
    RecordingDc dc(caps);
    TracingHost host(kTrzJobs | kTrzStatus);
    CTextFormatter f(&host, &engine);
    f.SetFont(platform::draw::makeLogFont("Courier New", -20, 10));
    f.SetAlign(kAlignClip, &dc);
    f.NewPage(&dc, 1);
    f.FormText2Line(&dc, std::string(100000, 'x'));
    f.TraceStatusReport();
    EXPECT_NE(host.trace.find("m_szText=" + std::string(256, 'x') + " "), std::string::npos);
    EXPECT_EQ(host.trace.find(std::string(257, 'x')), std::string::npos);
}

// The engine's side: what the job's host traces.
class JobHost : public EngineHost
{
public:
    explicit JobHost(uint32_t masks) : masks(masks) {}
    bool TraceOn(uint32_t mask) override { return (masks & mask) != 0; }
    void TraceText(const std::string& text) override { trace += text; }
    uint32_t masks;
    std::string trace;
};

std::string le16(uint32_t v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string le32(uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

TEST(TextFormatterTrace, StatusReportAtTheDocumentEndUnderMaskFour)
{
    struct Case
    {
        uint32_t masks;
        bool report;
    };
    const Case cases[] = {{kTrzStatus, true}, {kTrzStatus | kTrzJobs, true}, {kTrzJobs, false}, {0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.masks);
        platform::draw::FakeFontEngine fonts;
        auto log = std::make_shared<engine_test::DeviceLog>();
        JobHost host(c.masks);
        CWinPrt prt;
        prt.SetFontEngine(&fonts);
        prt.SetHost(&host);
        prt.SetDeviceFactory([log](const EngineDeviceRequest&, std::string*) {
            return std::make_unique<engine_test::RecordingPageDevice>(log, engine_test::pageCaps());
        });
        INIT_DATA r = DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        ASSERT_TRUE(prt.StartPrtJob(&r, "trace", false));
        // Area 3: 20 mm from the left, 30 from the top, 100 x 40 mm, on every page.
        const std::string stream =
            engine_test::escBlock(kCmdPrtWindow, le16(3) + le16(0) + le32(20) + le32(30) + le32(100) +
                                                     le32(40) + le32(0x1E0 | 4)) +
            engine_test::escBlock(kCmdPrtSelectArea, le16(3) + le16(0) + le32(0)) +
            engine_test::escBlock(kCmdSetFontAlign, le16(1)) + "Centred\r\n";
        prt.PrintData(stream.data(), stream.size(), true);
        EXPECT_EQ(host.trace.find(kReportHeader), std::string::npos) << "not before the document ends";
        ASSERT_TRUE(prt.StopPrtJob(true));
        const size_t at = host.trace.find(kReportHeader);
        EXPECT_EQ(at != std::string::npos, c.report) << host.trace;
        if (c.report) {
            EXPECT_NE(host.trace.find("\ncurrent rect(3): area(", at), std::string::npos) << host.trace;
            EXPECT_NE(host.trace.find("\ndefault rect(0): area(", at), std::string::npos) << host.trace;
        }
    }
}

} // namespace
