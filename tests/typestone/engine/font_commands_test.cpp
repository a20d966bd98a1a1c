// The font and text commands as a host sends them, through the job's interpreter: what they
// make of the font mapper (face, size, unit, colours, attribute word) and what they ask of the
// text formatter, recorded by a RecordingLayout. Formula fonts on a 600 dpi page of
// 4800 x 6960 pixels (203 x 295 mm).

#include "tests/support/engine/recording_layout.h"
#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_table.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/font_text_params.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using engine_test::DeviceLog;
using engine_test::escBlock;
using engine_test::RecordingPageDevice;
using typestone::CFontMapper;
using typestone::CWinPrt;
using typestone::test::RecordingLayout;
using namespace typestone;

namespace {

platform::draw::DeviceCaps caps()
{
    platform::draw::DeviceCaps c = engine_test::pageCaps();
    c.widthMm = 203;
    c.heightMm = 295;
    return c;
}

std::string le16(uint16_t v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string le32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string fontSize(int32_t width, int32_t height, int32_t unit)
{
    return escBlock(kCmdSetFontSize, le32(width) + le32(height) + le32(unit));
}

std::string face32(const std::string& name)
{
    std::string f = name.substr(0, 32);
    f.resize(32, '\0');
    return f;
}

struct ChangeFontBlock
{
    uint32_t options = 0;
    int32_t unit = 0;
    int32_t height = 0;
    int32_t width = 0;
    uint32_t areaUnit = 0;
    int32_t areaWidth = 0;
    int32_t areaHeight = 0;
    uint32_t fg = 0;
    uint32_t bg = 0;
    std::string face;

    std::string block() const
    {
        return escBlock(kCmdChangeFont, le32(options) + le32(unit) + le32(height) + le32(width) +
                                            le32(areaUnit) + le32(areaWidth) + le32(areaHeight) +
                                            std::string(2, '\0') + le32(fg) + le32(bg) + face32(face));
    }
};

class TraceHost : public EngineHost
{
public:
    bool TraceOn(uint32_t) override { return true; }
    void TraceText(const std::string& text) override { trace += text; }
    void TraceHexDump(const char* title, const void* data, size_t size) override
    {
        trace += std::string("[") + title + ":" + std::string(static_cast<const char*>(data), size) + "]";
    }
    bool ExtendedDebug() override { return extendedDebug; }
    std::string trace;
    bool extendedDebug = false;
};

class FontCommandsTest : public ::testing::Test
{
public: // the cases of a table check through a reference to the fixture
    void TearDown() override
    {
        if (m_job && m_job->IsDocStarted())
            m_job->StopPrtJob(true);
    }

    // Starts a new job; with `layout` the mapper hands the formatter's part to m_layout.
    void start(bool layout = true, uint8_t color = 15)
    {
        TearDown();
        m_job = std::make_unique<CWinPrt>();
        m_job->SetFontEngine(&m_fonts);
        m_job->SetHost(&m_host);
        m_job->SetDeviceFactory([this](const EngineDeviceRequest&, std::string*) {
            return std::make_unique<RecordingPageDevice>(m_log, caps());
        });
        INIT_DATA r = DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        r.snd_color = color;
        ASSERT_TRUE(m_job->StartPrtJob(&r, "host_1", false));
        m_layout = RecordingLayout{};
        if (layout)
            mapper().SetLayout(&m_layout);
        dc().clear();
    }
    CWinPrt& job() { return *m_job; }
    void print(const std::string& stream) { m_job->PrintData(stream.data(), stream.size(), true); }
    CFontMapper& mapper() { return *m_job->FontMapper(); }
    platform::draw::RecordingDc& dc() { return *static_cast<platform::draw::RecordingDc*>(m_job->Dc()); }
    const platform::draw::LogFont& font() { return mapper().CurrLogFont(); }
    // The layout's calls of one kind ("SetFont", "SetBkMode", ...).
    std::vector<std::string> calls(const std::string& kind) const
    {
        std::vector<std::string> out;
        for (const auto& c : m_layout.calls)
            if (c.rfind(kind + " ", 0) == 0 || c == kind)
                out.push_back(c);
        return out;
    }

    platform::draw::FakeFontEngine m_fonts;
    TraceHost m_host;
    std::shared_ptr<DeviceLog> m_log = std::make_shared<DeviceLog>();
    RecordingLayout m_layout;
    std::unique_ptr<CWinPrt> m_job;
};

// The edge cases of the commands, each from a fresh job on the 80 x 58 grid (cells of
// 60 x 120 pixels, Courier New at -120 x 60).
TEST_F(FontCommandsTest, EdgeCases)
{
    struct Case
    {
        const char* name;
        uint8_t color; // the job's colour byte
        std::string stream;
        std::function<void(FontCommandsTest&)> check;
    };
    ChangeFontBlock nothing;
    const Case cases[] = {
        {"ColourSwapsRedAndBlue", 15, escBlock(kCmdSetFontColor, le32(0x00FF0000) + le32(0x00123456)),
         [](FontCommandsTest& t) {
             EXPECT_EQ(t.mapper().TextColor(), 0x000000FFu);
             EXPECT_EQ(t.mapper().BkColor(), 0x00563412u);
             EXPECT_EQ(t.m_layout.calls, (std::vector<std::string>{
                                             "SetTextColor 255", "SetBkColor " + std::to_string(0x563412)}));
             EXPECT_EQ(t.dc().textColor(), platform::draw::Color::fromColorRef(0xFF));
         }},
        {"ColourTopByteIsDropped", 15, escBlock(kCmdSetFontColor, le32(0xFF00FF00) + le32(0xFFFFFFFF)),
         [](FontCommandsTest& t) {
             EXPECT_EQ(t.mapper().TextColor(), 0x0000FF00u);
             EXPECT_EQ(t.mapper().BkColor(), 0x00FFFFFFu);
         }},
        {"ChangeFontZeroSelectsTheSameFontOpaque", 15,
         escBlock(kCmdSetFontStyle, le16(0x100)) + nothing.block(),
         [](FontCommandsTest& t) {
             EXPECT_EQ(t.font().faceNameView(), "Courier New");
             EXPECT_EQ(t.font().height, -120);
             EXPECT_EQ(t.font().width, 60);
             EXPECT_EQ(t.mapper().BkMode(), 2);
             EXPECT_EQ(t.mapper().TextColor(), 0u);
             EXPECT_EQ(t.mapper().BkColor(), 0xFFFFFFu);
             EXPECT_EQ(t.mapper().AttrWord(), 0x100);
             EXPECT_EQ(t.mapper().UnitMode(), kUnitGrid);
             EXPECT_EQ(t.mapper().CellHeight(), 120);
             EXPECT_EQ(t.calls("SetFont").back(), "SetFont -120 60");
             EXPECT_EQ(t.calls("SetBkMode"), (std::vector<std::string>{"SetBkMode 1", "SetBkMode 2"}));
             EXPECT_TRUE(t.calls("SetTextColor").empty());
         }},
        {"GridOfColumnsAndRowsTakesMagnitudes", 15, fontSize(-132, 66, 1),
         [](FontCommandsTest& t) {
             EXPECT_EQ(t.mapper().Columns(), 132);
             EXPECT_EQ(t.mapper().Rows(), 66);
             EXPECT_EQ(t.mapper().CellHeight(), 6960 / 66);
             EXPECT_EQ(t.mapper().CellWidth(), 4800 / 132);
         }},
        {"TenthPointMinimumIsOnePoint", 15, fontSize(0, 5, 0),
         [](FontCommandsTest& t) {
             EXPECT_EQ(t.font().height, -8); // 10 tenths at 600 dpi: 8.3 pixels
             EXPECT_EQ(t.font().width, 0);
             EXPECT_EQ(t.mapper().UnitMode(), kUnitPoint10);
             EXPECT_EQ(t.calls("SetFont").back(), "SetFont -8 0");
         }},
        {"TenthPointWidthWhenNoHeight", 15, fontSize(240, 0, 7),
         [](FontCommandsTest& t) {
             EXPECT_EQ(t.font().height, -200); // 24 points, the unknown unit taken as tenths
             EXPECT_EQ(t.mapper().CellHeight(), 200);
         }},
        {"SecondColourOnTwiceThenOff", 0x21, std::string("A\x04") + "B\x04" + "C",
         [](FontCommandsTest& t) {
             EXPECT_EQ(t.job().InitData().snd_color, 0x29);
             EXPECT_EQ(t.mapper().TextColor(), CFontMapper::AttrColor(0x09));
             EXPECT_EQ(t.mapper().BkColor(), CFontMapper::AttrColor(0x02));
             // Applied once: the second one changed nothing.
             EXPECT_EQ(t.calls("SetTextColor").size(), 1u);
             EXPECT_EQ(t.calls("SetAttrWord"), (std::vector<std::string>{"SetAttrWord 64"}));
             t.print("\x05"
                     "D");
             EXPECT_EQ(t.job().InitData().snd_color, 0x29);
             EXPECT_EQ(t.mapper().TextColor(), 0u);
             EXPECT_EQ(t.mapper().BkColor(), 0xFFFFFFu);
             EXPECT_EQ(t.mapper().AttrWord(), 0);
         }},
        {"SecondColourDoesNotSelectAFont", 15, std::string("A\x04") + "B",
         [](FontCommandsTest& t) { EXPECT_TRUE(t.calls("SetFont").empty()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(true, c.color);
        print(c.stream);
        EXPECT_EQ(job().LastError(), 0);
        c.check(*this);
    }
}

// ChangeFont with every option: the face, a size in tenths of a point, bold, both colours,
// a transparent background; and the order in which they reach the formatter.
TEST_F(FontCommandsTest, ChangeFontWithEveryOption)
{
    start();
    ChangeFontBlock b;
    b.options = 0x1F000100 | 0x02; // face, size, attributes (bold), colours, transparent
    b.unit = kUnitPoint10;
    b.height = 240;
    b.fg = 0x00112233;
    b.bg = 0x00445566;
    b.face = "Arial";
    print(b.block() + "Big");
    EXPECT_EQ(job().LastError(), 0);
    EXPECT_EQ(font().faceNameView(), "Arial");
    EXPECT_EQ(font().outPrecision, platform::draw::kOutTtPrecision);
    EXPECT_EQ(font().height, -200);
    EXPECT_EQ(font().weight, 800);
    EXPECT_EQ(mapper().UnitMode(), kUnitPoint10);
    EXPECT_EQ(mapper().CellHeight(), 200);
    EXPECT_EQ(mapper().TextColor(), 0x112233u);
    EXPECT_EQ(mapper().BkColor(), 0x445566u);
    EXPECT_EQ(mapper().AttrWord(), 0x02);
    EXPECT_EQ(m_layout.calls,
              (std::vector<std::string>{"SetFont -200 0", "SetAttrWord 2", "SetFont -200 0",
                                        "SetTextColor " + std::to_string(0x112233),
                                        "SetBkColor " + std::to_string(0x445566), "SetBkMode 1"}));
    std::vector<std::string> lines = m_log->lines; // up to the page's start
    lines.insert(lines.end(), dc().lines().begin(), dc().lines().end());
    EXPECT_NE(std::find_if(
                  lines.begin(), lines.end(),
                  [](const std::string& l) { return l.rfind("font 'Arial' h=-200 w=0 weight=800", 0) == 0; }),
              lines.end());
}

// The size block's units: each to the pixel height of the LOGFONT, and the grid of an area.
TEST_F(FontCommandsTest, ChangeFontSizeUnits)
{
    struct Case
    {
        const char* name;
        int32_t unit;
        int32_t height;
        int32_t width;
        uint32_t areaUnit;
        int32_t areaWidth;
        int32_t areaHeight;
        int32_t lfHeight;
        int32_t lfWidth;
        int mode;
        int cellHeight;
    };
    const Case cases[] = {
        {"Pixels", 1, -50, 0, 0, 0, 0, -50, 0, kUnitGrid, 50},
        // 10 mm: 283 tenths of a point, 236 pixels at 600 dpi, as positions in millimetres.
        {"Millimetres", 4, 10, 0, 0, 0, 0, -236, 0, kUnitMm, 236},
        {"Inches", 8, 1, 0, 0, 0, 0, -600, 0, kUnitInch, 600},
        {"TenthsOfAPoint", 16, 120, 60, 0, 0, 0, -100, 50, kUnitPoint10, 100},
        {"FlagsAboveTheUnitAreIgnored", 0x40 | 16, 120, 0, 0, 0, 0, -100, 0, kUnitPoint10, 100},
        // 40 columns x 20 rows over 2400 x 2400 pixels: cells of 60 x 120.
        {"AreaGrid", 2, 20, 40, 1, 2400, 2400, -120, 60, kUnitArea, 120},
        // An area of 0 x 0 is the page: 80 x 58 cells of 60 x 120.
        {"AreaGridOfThePage", 2, 58, 80, 1, 0, 0, -120, 60, kUnitArea, 120},
        // 1 x 2 inches in 4 x 2 cells: 150 x 600.
        {"AreaInInches", 2, 2, 4, 8, 1, 2, -600, 150, kUnitArea, 600},
        // The page's width in 80 columns by 20 mm (472 pixels) in one row.
        {"AreaInMillimetresAndThePage", 2, 1, 80, 4, 0, 20, -472, 60, kUnitArea, 472},
        {"HugeSizeStaysInsideThePage", 8, INT_MAX, INT_MAX, 0, 0, 0, -6960, 6960, kUnitInch, 6960},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        ChangeFontBlock b;
        b.options = 0x02000000;
        b.unit = c.unit;
        b.height = c.height;
        b.width = c.width;
        b.areaUnit = c.areaUnit;
        b.areaWidth = c.areaWidth;
        b.areaHeight = c.areaHeight;
        print(b.block());
        EXPECT_EQ(job().LastError(), 0);
        EXPECT_EQ(font().height, c.lfHeight);
        EXPECT_EQ(font().width, c.lfWidth);
        EXPECT_EQ(mapper().UnitMode(), c.mode);
        EXPECT_EQ(mapper().CellHeight(), c.cellHeight);
    }
}

// A grid of an area without columns or rows cannot be made: the command fails (and is
// reported), the font stays.
TEST_F(FontCommandsTest, AreaGridWithoutColumnsFails)
{
    start();
    ChangeFontBlock b;
    b.options = 0x02000000;
    b.unit = kUnitArea;
    b.height = 20;
    b.width = 0;
    print(b.block());
    EXPECT_EQ(job().LastError(), kErrCommand);
    EXPECT_EQ(font().height, -120);
    EXPECT_NE(m_host.trace.find("ChangeFont"), std::string::npos);
}

// A face name is copied into the LOGFONT's 32 bytes with its terminator, whatever the host
// sends; the other fields stay.
TEST_F(FontCommandsTest, FaceNamesAreBounded)
{
    struct Case
    {
        const char* name;
        std::string sent;
        std::string face;
    };
    const Case cases[] = {
        {"Plain", face32("Arial"), "Arial"},
        {"FillsItsField", std::string(32, 'F') + "tail", std::string(31, 'F')},
        {"Short block reads zeros", "Ari", "Ari"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        print(escBlock(kCmdSetFontName, c.sent));
        EXPECT_EQ(job().LastError(), 0);
        EXPECT_EQ(font().faceNameView(), c.face);
        EXPECT_EQ(font().faceName[31], '\0');
        EXPECT_EQ(font().height, -120);
        EXPECT_EQ(font().outPrecision, platform::draw::kOutTtPrecision);
        EXPECT_EQ(font().quality, 0);
        // A grid's row stays the line pitch whatever the new face measures.
        EXPECT_EQ(mapper().CellHeight(), 120);
        ASSERT_FALSE(calls("SetFont").empty());
    }
}

// The grid a size in tenths of a point or in characters per inch gives: the cells that many
// characters of that size fill in the printable area (203 x 295 mm), rounded once.
TEST_F(FontCommandsTest, SizeToGridRounding)
{
    struct Case
    {
        const char* name;
        int32_t width;
        int32_t height;
        int32_t unit;
        int columns;
        int rows;
    };
    const Case cases[] = {
        // 12 points: 10 per inch; 6 lines per inch from 200 tenths.
        {"TwelvePoint", 120, 200, 0, 80, 70},
        // 11 points: 10.9 per inch, 87.19 columns (87, not 88 from 11 per inch).
        {"ElevenPoint", 110, 200, 0, 87, 70},
        {"NegativeSizesAreMagnitudes", -120, -200, 0, 80, 70},
        // Per inch: 10 and 6 as they are (79.9 and 69.7).
        {"PerInch", 10, 6, 2, 80, 70},
        // 17 per inch: 135.9 columns; from 1200 / 17 = 71 tenths it would be 135.
        {"SeventeenPerInch", 17, 6, 2, 136, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        print(fontSize(c.width, c.height, c.unit));
        EXPECT_EQ(job().LastError(), 0);
        EXPECT_EQ(mapper().Columns(), c.columns);
        EXPECT_EQ(mapper().Rows(), c.rows);
        EXPECT_EQ(mapper().UnitMode(), kUnitGrid);
    }
}

// Per inch with one value 0: the other one as the size, 1200 / v tenths of a point.
TEST_F(FontCommandsTest, PerInchWithOneValueSelectsAPointFont)
{
    start();
    print(fontSize(10, 0, 2));
    EXPECT_EQ(font().height, -100); // 120 tenths
    EXPECT_EQ(mapper().UnitMode(), kUnitPoint10);
}

// Fitting to a grid drops compressed and double size from the font, not from the word.
TEST_F(FontCommandsTest, GridFitDropsSizeAttributes)
{
    start();
    print("\x02"
          "a" +
          fontSize(40, 29, 1));
    EXPECT_EQ(mapper().CellHeight(), 240);
    EXPECT_EQ(font().height, -240);
    EXPECT_EQ(font().width, 120);
}

// Bold, double width and back again in a point size keep that size: the attribute change
// outside the grid starts from the current face and size.
TEST_F(FontCommandsTest, AttributesInAPointSizeKeepTheSize)
{
    start();
    print(escBlock(kCmdSetFontName, face32("Lucida Console")) + fontSize(0, 240, 0) + "a\x0E" + "b");
    EXPECT_EQ(font().faceNameView(), "Lucida Console");
    EXPECT_EQ(font().height, -200);
    EXPECT_EQ(font().weight, 800);
    print("\x17"
          "c");
    EXPECT_EQ(font().height, -200);
    EXPECT_EQ(font().width, 240); // twice the 120 of the fixed face at that size
    EXPECT_EQ(font().weight, 800);
    print("\x18"
          "d\x0F"
          "e");
    EXPECT_EQ(font().height, -200);
    EXPECT_EQ(font().width, 0);
    EXPECT_EQ(font().weight, 400);
    EXPECT_EQ(mapper().UnitMode(), kUnitPoint10);
}

// In the grid a bold face keeps the face the job named.
TEST_F(FontCommandsTest, GridAttributesKeepTheNamedFace)
{
    start();
    print(escBlock(kCmdSetFontName, face32("Lucida Console")) + "a\x0E" + "b");
    EXPECT_EQ(font().faceNameView(), "Lucida Console");
    EXPECT_EQ(font().weight, 800);
    EXPECT_EQ(font().height, -120);
}

TEST_F(FontCommandsTest, StyleSetsTheWordAndTheBackground)
{
    start();
    print(escBlock(kCmdSetFontStyle, le16(0x0106)) + "x");
    EXPECT_EQ(mapper().AttrWord(), 0x106);
    EXPECT_EQ(font().weight, 800);
    EXPECT_EQ(font().underline, 1);
    EXPECT_EQ(mapper().BkMode(), 1);
    EXPECT_EQ(m_layout.calls.front(), "SetAttrWord 262");
    EXPECT_EQ(calls("SetBkMode").back(), "SetBkMode 1");
    print(escBlock(kCmdSetFontStyle, le16(0)));
    EXPECT_EQ(mapper().AttrWord(), 0);
    EXPECT_EQ(font().weight, 400);
    EXPECT_EQ(mapper().BkMode(), 2);
}

// Alignment, frame and fills go to the formatter in order; a frame or a fill starts the page.
TEST_F(FontCommandsTest, AlignFrameFillAndEffect)
{
    struct Case
    {
        const char* name;
        uint16_t align;
        std::vector<std::string> calls;
        bool pageStarted;
    };
    const Case cases[] = {
        {"Justified", 0x03, {"SetAlignWord 3", "SetAlign 3"}, false},
        {"ClipRight", 0x0A, {"SetAlignWord 10", "SetAlign 10"}, false},
        {"Frame", 0x21, {"SetAlignWord 33", "DrawFrame", "SetAlign 33"}, true},
        {"FrameAndFill", 0xE2, {"SetAlignWord 226", "DrawFrame", "FillArea 192", "SetAlign 226"}, true},
        {"Fill", 0x40, {"SetAlignWord 64", "FillArea 64", "SetAlign 64"}, true},
        {"HighByteIsNoFill", 0x0100, {"SetAlignWord 256", "SetAlign 256"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        print(escBlock(kCmdSetFontAlign, le16(c.align)));
        EXPECT_EQ(m_layout.calls, c.calls);
        EXPECT_EQ(job().IsPageStarted(), c.pageStarted);
    }
    start();
    print(escBlock(kCmdSetFontEffect, le16(2)));
    EXPECT_EQ(m_layout.calls, (std::vector<std::string>{"SetEffect 2"}));
}

// Without a formatter every command still does its own part and the job goes on.
TEST_F(FontCommandsTest, WithoutAFormatterNothingFails)
{
    start(false);
    ChangeFontBlock b;
    b.options = 0x0E000000 | 0x01;
    b.unit = kUnitPoint10;
    b.height = 120;
    b.fg = 0xFF;
    b.face = "Arial";
    print(escBlock(kCmdSetFontAlign, le16(0xE3)) + escBlock(kCmdSetFontEffect, le16(1)) + b.block() +
          escBlock(kCmdSetFontStyle, le16(0x102)) + escBlock(kCmdSetFontColor, le32(0xFF) + le32(0)) +
          "text");
    EXPECT_EQ(job().LastError(), 0);
    EXPECT_EQ(font().faceNameView(), "Arial");
    EXPECT_EQ(font().height, -100);
    EXPECT_EQ(font().weight, 800);
    EXPECT_EQ(mapper().AttrWord(), 0x102);
    EXPECT_EQ(mapper().TextColor(), 0xFF0000u);
    EXPECT_TRUE(job().IsPageStarted());
}

// Blocks that cannot be read fail; extreme values stay inside the page and the job goes on.
TEST_F(FontCommandsTest, BadAndShortBlocks)
{
    start();
    const CommandTable& table = CommandTable::builtIn();
    for (uint16_t code : {kCmdChangeFont, kCmdSetFontName, kCmdSetFontSize, kCmdSetFontStyle,
                          kCmdSetFontColor, kCmdSetFontAlign, kCmdSetFontEffect}) {
        SCOPED_TRACE(code);
        const CmdSlot& slot = table.commands[code];
        ASSERT_TRUE(slot.handler);
        // Fewer readable bytes than the layout: nothing is read past them.
        std::vector<uint8_t> bytes(slot.minLen - 1, 0xFF);
        EscBlock block;
        block.header.wCmd = code;
        block.data = bytes.data();
        block.length = static_cast<uint32_t>(bytes.size());
        block.readable = static_cast<uint32_t>(bytes.size());
        EXPECT_FALSE(slot.handler(job(), block));
    }
    EXPECT_EQ(font().height, -120);

    struct Case
    {
        const char* name;
        std::string stream;
        int columnsAtMost;
    };
    const Case cases[] = {
        {"GridOfIntMin", fontSize(INT_MIN, INT_MIN, 1), 4800},
        {"GridOfZeroIsTheDefaultGrid", fontSize(0, 0, 1), 80},
        {"TinyTenths", fontSize(1, 1, 0), 4800},
        {"HugeTenths", fontSize(INT_MAX, INT_MAX, 0), 1},
        {"HugePerInch", fontSize(INT_MIN, INT_MAX, 2), 4800},
        {"HugeAreaInInches",
         ChangeFontBlock{0x02000000, kUnitArea, 2, 2, kUnitInch, INT_MAX, INT_MIN, 0, 0, ""}.block(), 4800},
        {"OnlyTheWidth", escBlock(kCmdSetFontSize, le32(12)), 4800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        print(c.stream + "x\r\n");
        EXPECT_EQ(job().LastError(), 0);
        EXPECT_LE(mapper().Columns(), c.columnsAtMost);
        EXPECT_GE(mapper().CellHeight(), 1);
        EXPECT_LE(std::abs(font().height), 6960);
        EXPECT_LE(font().width, 6960);
    }
    // The short block's width of 12 tenths: a point font of 10 pixels.
    EXPECT_EQ(font().height, -10);
    print(fontSize(0, INT_MAX, 0) + "x");
    EXPECT_EQ(font().height, -6960);
}

// With the extended debugging on, the text output is traced with its bytes.
TEST_F(FontCommandsTest, ExtendedDebugTracesTheText)
{
    m_host.extendedDebug = true;
    start();
    print("Hello");
    EXPECT_NE(m_host.trace.find("\nCWinPrt::TextOut(5)-\n[Text:Hello]"), std::string::npos) << m_host.trace;
    m_host.extendedDebug = false;
    m_host.trace.clear();
    print("Again");
    EXPECT_EQ(m_host.trace.find("TextOut("), std::string::npos);
}

// Each line lies one line of the font in force below the one before, whatever sizes came
// before it: a larger font leaves no gap of its rows, a smaller one does not go back up over
// the lines printed.
TEST_F(FontCommandsTest, LinesOfOtherSizesFollowEachOtherDown)
{
    start(false);
    print("grid\r\n" + fontSize(0, 240, 0) + "big\r\n" + "big\r\n" + fontSize(0, 90, 0) + "small\r\n" +
          "small\r\n" + fontSize(80, 58, 1) + "grid\r\n" + "grid");
    std::vector<std::string> texts;
    for (const auto& l : dc().lines())
        if (l.rfind("text ", 0) == 0)
            texts.push_back(l);
    EXPECT_EQ(texts, (std::vector<std::string>{"text 0,120 'grid'", "text 0,240 'big'", "text 0,440 'big'",
                                               "text 0,640 'small'", "text 0,715 'small'",
                                               "text 0,790 'grid'", "text 0,910 'grid'"}));
}

} // namespace
