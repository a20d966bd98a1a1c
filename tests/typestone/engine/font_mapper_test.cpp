// The font mapper: the character class table, OEM conversion, colours, units, routing of
// text to fonts and box drawing, and fitting fonts to the cell.

#include "typestone/engine/char_classes.h"
#include "typestone/engine/font_mapper.h"

#include "tests/support/fonts/test_fonts.h"

#include "platform/draw/qt_font_engine.h"
#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using typestone::CFontMapper;
using typestone::CharClasses;

namespace {

platform::draw::DeviceCaps caps(int width, int height, int dpi = 600)
{
    platform::draw::DeviceCaps c;
    c.dpiX = c.dpiY = dpi;
    c.width = c.physicalWidth = width;
    c.height = c.physicalHeight = height;
    return c;
}

TEST(CharClasses, EachRuleOfTheTable)
{
    const CharClasses t;
    struct Row
    {
        int byte;
        uint32_t entry;
    };
    const Row rows[] = {
        {0, 0x40000020},   {127, 0x40000020}, {255, 0x40000020}, // group 0 space
        {179, 0x20000001}, {180, 0x20000002}, {176, 0x20000017}, // drawn
        {219, 0x2000001A}, {218, 0x20000016}, {206, 0x20000014}, {196, 0x2800000C},
        {205, 0x28000013},                                                          // drawn runs
        {3, 0x40000103},   {31, 0x4000011F},  {16, 0x40000110},                     // group 1
        {224, 0x40000261}, {225, 0x40000262}, {226, 0x40000247}, {252, 0x40000268}, // Symbol
        {254, 0x400006FE}, {253, 0x400006FD},                                       // group 6
        {155, 0x4000039B}, {158, 0x4000039E},                                       // group 3
        {169, 0x400007A9},                                                          // group 7
        {181, 0x2000001B}, {207, 0x20000023}, {216, 0x2000002C}, {220, 0x2000002D}, // drawn
        {223, 0x20000030}, {152, 0x40000898}, {167, 0x400008A7},                    // group 8
        {1, 0x400004A9},   {2, 0x400004AE},   {15, 0x40000580},  {30, 0x400006FD},  // replacements
        {'A', 0},          {128, 0},          {159, 0},          {171, 0},
        {170, 0}, // plain
    };
    for (const Row& r : rows)
        EXPECT_EQ(t[static_cast<uint8_t>(r.byte)], r.entry) << r.byte;
    int drawn = 0;
    for (uint32_t e : t.entries())
        drawn += (e & typestone::kClassDrawn) ? 1 : 0;
    EXPECT_EQ(drawn, 48);
}

TEST(CharClasses, ActivationKeeps225Inactive)
{
    CharClasses t;
    for (uint32_t e : t.entries())
        EXPECT_FALSE(e & typestone::kClassActive);
    t.Activate(true, true);
    EXPECT_TRUE(t[224] & typestone::kClassActive);
    EXPECT_FALSE(t[225] & typestone::kClassActive);
    EXPECT_TRUE(t[196] & typestone::kClassActive);
    EXPECT_FALSE(t['A'] & typestone::kClassActive);
    t.Activate(false, true);
    EXPECT_FALSE(t[196] & typestone::kClassActive);
    EXPECT_TRUE(t[3] & typestone::kClassActive);
    t.EnableBoxDrawing(true);
    EXPECT_TRUE(t[179] & typestone::kClassActive);
}

TEST(OemToAnsi, SpecialRowsAndTheTable)
{
    struct Row
    {
        uint8_t oem;
        uint8_t ansi;
    };
    const Row rows[] = {{0x9F, 0x80}, {0xB0, ' '},  {0xB1, ' '},  {0xB2, ' '}, {0xDB, ' '},
                        {0x82, 0xE9}, {0x81, 0xFC}, {0xE1, 0xDF}, {'A', 'A'},  {0x9C, 0xA3}};
    for (const Row& r : rows) {
        const std::string out = CFontMapper::OemToAnsi(&r.oem, 1);
        EXPECT_EQ(static_cast<uint8_t>(out[0]), r.ansi) << int(r.oem);
    }
}

TEST(AttrColor, FourBitAttributes)
{
    struct Row
    {
        uint8_t attr;
        uint32_t color;
    };
    const Row rows[] = {{0, 0x000000},  {7, 0xC0C0C0}, {8, 0x404040}, {15, 0xFFFFFF},
                        {12, 0x0000FF}, {4, 0x000080}, {9, 0xFF0000}, {10, 0x00FF00}};
    for (const Row& r : rows)
        EXPECT_EQ(CFontMapper::AttrColor(r.attr), r.color) << int(r.attr);
}

TEST(ConvertUnits, EveryKnownUnitConvertsAndSucceeds)
{
    platform::draw::RecordingDc dc(caps(4800, 6960));
    CFontMapper map(nullptr, 1, nullptr);
    map.SetDc(&dc);
    map.SetAreaGrid(80, 58);
    struct Row
    {
        int unit;
        int in;
        int out;
    };
    const Row rows[] = {{4, 10, 236}, {8, 2, 1200}, {16, 720, 600}, {1, 77, 77}, {2, 3, 180}, {0, 10, 236}};
    for (const Row& r : rows) {
        int x = r.in;
        EXPECT_TRUE(map.ConvertUnits(r.unit, &x, nullptr, nullptr, nullptr)) << r.unit;
        EXPECT_EQ(x, r.out) << r.unit;
    }
    int x = 5;
    EXPECT_FALSE(map.ConvertUnits(3, &x, nullptr, nullptr, nullptr));
    // Clamped to the page: right to what remains after x.
    int left = 4000, top = 0, right = 2000, bottom = 99999;
    EXPECT_TRUE(map.ConvertUnits(1, &left, &top, &right, &bottom));
    EXPECT_EQ(right, 800);
    EXPECT_EQ(bottom, 6960);
    map.SetAreaGrid(0, 0);
    x = 1;
    EXPECT_FALSE(map.ConvertUnits(2, &x, nullptr, nullptr, nullptr));
}

// A mapper on a recording Dc with formula fonts, fitted to 80 x 58 cells of 60 x 120.
class RoutingTest : public ::testing::Test
{
protected:
    RoutingTest() : m_dc(caps(4800, 6960)), m_map(nullptr, 1, &m_fonts)
    {
        m_map.SetDc(&m_dc);
        EXPECT_TRUE(m_map.SetGridFont(0, 80, 58));
        m_map.SetPixelCoordinates(0, 120);
        m_dc.clear();
    }

    std::vector<std::string> drawing() const
    {
        std::vector<std::string> out;
        for (const auto& l : m_dc.lines())
            if (l.rfind("text", 0) == 0 || l.rfind("moveto", 0) == 0 || l.rfind("lineto", 0) == 0 ||
                l.rfind("fill", 0) == 0)
                out.push_back(l);
        return out;
    }

    platform::draw::FakeFontEngine m_fonts;
    platform::draw::RecordingDc m_dc;
    CFontMapper m_map;
};

TEST_F(RoutingTest, GridFontFillsTheCell)
{
    EXPECT_EQ(m_map.CellWidth(), 60);
    EXPECT_EQ(m_map.CellHeight(), 120);
    EXPECT_EQ(m_map.CurrLogFont().faceNameView(), "Courier New");
    // Fake font: descent 24 of 120, so drawn cells start 96 above the baseline.
    EXPECT_EQ(m_map.BaselineAdjust(), 24 - 120);
}

TEST_F(RoutingTest, TextLineTextAtTheirCells)
{
    const uint8_t text[] = {'A', 196, 'B'};
    m_map.TextOut(text, 3);
    // ─ at cell 1: sy of a 60 x 120 cell is 55, the cell top 120 - 96.
    EXPECT_EQ(drawing(), (std::vector<std::string>{"text 0,120 'A'", "moveto 60,79", "lineto 120,79",
                                                   "text 120,120 'B'"}));
    EXPECT_EQ(m_map.Position().x, 180);
}

TEST_F(RoutingTest, RunsOfLinesAndCells)
{
    std::vector<uint8_t> horizontal(30, 196);
    m_map.TextOut(horizontal.data(), horizontal.size());
    EXPECT_EQ(drawing(), (std::vector<std::string>{"moveto 0,79", "lineto 1800,79"}));
    m_dc.clear();
    std::vector<uint8_t> vertical(30, 179);
    m_map.TextOut(vertical.data(), vertical.size());
    EXPECT_EQ(drawing().size(), 60u); // 30 separate lines
    // A run longer than 16 bits counts is still one line of its full length.
    m_dc.clear();
    m_map.SetPixelCoordinates(0, 120);
    std::vector<uint8_t> longRun(70000, 196);
    m_map.TextOut(longRun.data(), longRun.size());
    EXPECT_EQ(drawing(), (std::vector<std::string>{"moveto 0,79", "lineto 4200000,79"}));
}

TEST_F(RoutingTest, RepeatedMappedByteInPiecesOf80)
{
    std::vector<uint8_t> hearts(200, 3);
    m_map.TextOut(hearts.data(), hearts.size());
    const auto d = drawing();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].rfind("text 0,120 '", 0), 0u);
    EXPECT_EQ(d[1].rfind("text 4800,120 '", 0), 0u);
    EXPECT_EQ(d[2].rfind("text 9600,120 '", 0), 0u);
    EXPECT_EQ(d[0].size() - d[0].find('\''), 2 + 80 * 4u); // each byte as \xHH
    EXPECT_EQ(d[2].size() - d[2].find('\''), 2 + 40 * 4u);
    // The group's face is selected around the run and the job's font after it.
    bool terminal = false;
    for (const auto& l : m_dc.lines())
        terminal = terminal || l.rfind("font 'Terminal'", 0) == 0;
    EXPECT_TRUE(terminal);
    EXPECT_EQ(m_dc.lines().back().rfind("font 'Courier New'", 0), 0u);
}

TEST_F(RoutingTest, Byte225AndShadesPrintAsPlainText)
{
    const uint8_t text[] = {225, 0x9F, 'x'};
    m_map.TextOut(text, 3);
    EXPECT_EQ(drawing(), (std::vector<std::string>{"text 0,120 '\\xDF\\x80x'"}));
}

TEST_F(RoutingTest, NoMapKeepsEverythingInThePlainRun)
{
    m_map.SetNotNeedMap(true);
    const uint8_t text[] = {'A', 196, 3};
    m_map.TextOut(text, 3);
    const auto d = drawing();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].rfind("text 0,120 'A", 0), 0u);
}

// The weight of the Terminal face the mapped bytes are printed in, by the device flag and the
// job font's weight.
TEST(GroupFonts, TerminalWeightFollowsTheDeviceFlagAndTheJobsWeight)
{
    struct Case
    {
        int deviceFlag;
        int jobWeight;
        int want;
    };
    const Case cases[] = {
        {1, 400, 700}, {1, 700, 400}, {1, 800, 700}, {1, 300, 700}, {0, 400, 400}, {0, 700, 400},
    };
    for (const Case& c : cases) {
        platform::draw::FakeFontEngine fonts;
        platform::draw::RecordingDc dc(caps(4800, 6960));
        CFontMapper map(nullptr, c.deviceFlag, &fonts);
        map.SetDc(&dc);
        ASSERT_TRUE(map.SetGridFont(0, 80, 58));
        auto lf = map.CurrLogFont();
        lf.weight = c.jobWeight;
        ASSERT_TRUE(map.SelFont(lf, 0));
        dc.clear();
        const uint8_t heart[] = {3};
        map.TextOut(heart, 1);
        std::string terminal;
        for (const auto& l : dc.lines())
            if (l.rfind("font 'Terminal'", 0) == 0)
                terminal = l;
        EXPECT_NE(terminal.find(" weight=" + std::to_string(c.want) + " "), std::string::npos)
            << "device flag " << c.deviceFlag << ", job weight " << c.jobWeight << ": " << terminal;
    }
}

TEST(GroupFonts, WithoutTheDeviceFlagMappedCellsAreBlankedFirst)
{
    platform::draw::FakeFontEngine fonts;
    platform::draw::RecordingDc dc(caps(4800, 6960));
    CFontMapper map(nullptr, 0, &fonts);
    map.SetDc(&dc);
    ASSERT_TRUE(map.SetGridFont(0, 80, 58));
    map.SetPixelCoordinates(0, 120);
    dc.clear();
    std::vector<uint8_t> hearts(90, 3);
    map.TextOut(hearts.data(), hearts.size());
    std::vector<std::string> texts;
    size_t terminalAt = 0;
    for (const auto& l : dc.lines()) {
        if (l.rfind("font 'Terminal'", 0) == 0 && terminalAt == 0)
            terminalAt = texts.size();
        if (l.rfind("text", 0) == 0)
            texts.push_back(l);
    }
    // Spaces over the 90 cells in the job's font, then the hearts in the group's face.
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "text 0,120 '" + std::string(80, ' ') + "'");
    EXPECT_EQ(texts[1], "text 4800,120 '" + std::string(10, ' ') + "'");
    EXPECT_EQ(terminalAt, 2u);
    EXPECT_EQ(texts[2].rfind("text 0,120 '\\x03", 0), 0u); // each byte as \xHH
    EXPECT_EQ(texts[3].rfind("text 4800,120 '\\x03", 0), 0u);

    // With the device flag the cells are not blanked.
    CFontMapper clipping(nullptr, 1, &fonts);
    clipping.SetDc(&dc);
    ASSERT_TRUE(clipping.SetGridFont(0, 80, 58));
    clipping.SetPixelCoordinates(0, 120);
    dc.clear();
    clipping.TextOut(hearts.data(), 3);
    for (const auto& l : dc.lines())
        EXPECT_EQ(l.find("'   '"), std::string::npos) << l;
}

TEST(GridFont, AZeroCountFollowsThePagesProportionsRounded)
{
    struct Case
    {
        int columns, rows;
        int wantColumns, wantRows;
    };
    // 4800 x 6960: 66 rows give 45.5 columns, 79 columns 114.55 rows.
    const Case cases[] = {
        {0, 66, 46, 66}, {79, 0, 79, 115}, {80, 0, 80, 116}, {0, 0, 80, 58}, {0, 1, 1, 1}, {1, 0, 1, 1},
    };
    for (const Case& c : cases) {
        platform::draw::FakeFontEngine fonts;
        platform::draw::RecordingDc dc(caps(4800, 6960));
        CFontMapper map(nullptr, 1, &fonts);
        map.SetDc(&dc);
        map.SetGridFont(0, c.columns, c.rows);
        EXPECT_EQ(std::make_pair(map.Columns(), map.Rows()), std::make_pair(c.wantColumns, c.wantRows))
            << c.columns << " x " << c.rows;
    }
}

// Fitting with formula fonts: the targets are reached and the searches stay short.
TEST(Fitting, PrinterFitReachesFixedTargets)
{
    platform::draw::FakeFontEngine fonts;
    platform::draw::RecordingDc dc(caps(4800, 6600));
    CFontMapper map(nullptr, 1, &fonts);
    map.SetDc(&dc);
    struct Row
    {
        int w, h;
    };
    for (const Row r : {Row{60, 113}, Row{62, 120}, Row{7, 13}, Row{120, 120}, Row{36, 90}}) {
        platform::draw::LogFont lf = platform::draw::makeLogFont("Courier New", 0);
        const unsigned before = map.MeasureCount();
        const auto m = map.PrinterFit(lf, r.w, r.h, 0);
        EXPECT_EQ(m.width, r.w) << r.w << "x" << r.h;
        EXPECT_EQ(m.height, r.h) << r.w << "x" << r.h;
        EXPECT_EQ(lf.outPrecision, platform::draw::kOutTtPrecision);
        EXPECT_LE(map.MeasureCount() - before, 40u);
    }
}

TEST(Fitting, ProportionalFaceStaysInsideTheCell)
{
    platform::draw::FakeFontEngine fonts;
    platform::draw::RecordingDc dc(caps(4800, 6600));
    CFontMapper map(nullptr, 1, &fonts);
    map.SetDc(&dc);
    for (bool printing : {true, false}) {
        map.SetPrinting(printing);
        platform::draw::LogFont lf = platform::draw::makeLogFont("Arial", 0);
        const unsigned before = map.MeasureCount();
        const auto m = map.FitFont(lf, 60, 113, 0, false);
        EXPECT_GT(m.width, 50) << printing; // the widest letter takes the cell
        EXPECT_LE(m.width, 60) << printing;
        EXPECT_LE(m.height, 113) << printing;
        EXPECT_LE(map.MeasureCount() - before, 400u) << printing;
    }
}

TEST(Fitting, ScreenFitStopsAtWidthOne)
{
    platform::draw::FakeFontEngine fonts;
    platform::draw::RecordingDc dc(caps(4800, 6600));
    CFontMapper map(nullptr, 1, &fonts);
    map.SetDc(&dc);
    map.SetPrinting(false);
    platform::draw::LogFont lf = platform::draw::makeLogFont("Courier New", 0);
    const unsigned before = map.MeasureCount();
    // Only fixed faces are wanted but this one is proportional: the width loop gives up at 1.
    platform::draw::LogFont prop = platform::draw::makeLogFont("Arial", 0);
    map.ScreenFit(prop, 20, 40, 0, true);
    EXPECT_GE(prop.width, 0);
    EXPECT_LE(map.MeasureCount() - before, 200u);
    const auto m = map.ScreenFit(lf, 20, 40, 0, false);
    EXPECT_EQ(m.width, 20);
    EXPECT_EQ(m.height, 40);
}

// One real face: 80 x 58 on an A4 page at 600 dpi fits, and one size larger does not.
TEST(Fitting, RealMonospaceFaceOnA4)
{
    test_support::useTestFonts();
    platform::draw::QtFontEngine fonts;
    platform::draw::RecordingDc dc(caps(4960, 7016));
    CFontMapper map(nullptr, 1, &fonts);
    map.SetDc(&dc);
    ASSERT_TRUE(map.SetGridFont(0, 80, 58));
    const int cellW = 4960 / 80;
    const int cellH = 7016 / 58;
    const auto lf = map.CurrLogFont();
    const auto m = map.MeasureFont(lf, 0);
    EXPECT_LE(m.width, cellW);
    EXPECT_LE(m.height, cellH);
    EXPECT_GE(m.width, cellW - 2);
    EXPECT_TRUE(m.fixed);
    auto larger = lf;
    larger.height = lf.height < 0 ? lf.height - 1 : lf.height + 1;
    if (larger.width != 0)
        larger.width += 1;
    const auto ml = map.MeasureFont(larger, 0);
    EXPECT_TRUE(ml.width > cellW || ml.height > cellH) << ml.width << "x" << ml.height;
    // 58 rows fit on the page, a 59th does not.
    EXPECT_TRUE(map.SetCellPosition(0, 57));
    EXPECT_FALSE(map.SetCellPosition(0, 58));
}

// In the grid every row is one line: the page holds exactly the rows the host asked for, even
// where the fitted face measures a pixel less than its cell (65 rows: cell 107, face 106).
TEST(Fitting, GridPageHoldsExactlyItsRows)
{
    test_support::useTestFonts();
    platform::draw::QtFontEngine fonts;
    platform::draw::RecordingDc dc(caps(4960, 7016));
    CFontMapper map(nullptr, 1, &fonts);
    map.SetDc(&dc);
    // 110 and 150 rows leave more than a row's height below the last row (7016 = 110 x 63 + 86).
    std::vector<int> rowCounts{1, 7, 33, 96, 101, 110, 120, 150};
    for (int rows = 58; rows <= 88; ++rows)
        rowCounts.push_back(rows);
    for (const int rows : rowCounts) {
        ASSERT_TRUE(map.SetGridFont(0, 80, rows)) << rows;
        EXPECT_EQ(map.CellHeight(), 7016 / rows) << rows;
        map.PageStart();
        int x = 0;
        int y = 0;
        int lines = 1;
        while (map.DownOneLine(&x, &y) && lines <= rows + 1)
            ++lines;
        EXPECT_EQ(lines, rows) << rows << " rows";
        EXPECT_EQ(y, rows - 1) << rows << " rows";
    }
    // The pitch stays the grid's row with attributes that change the fitted cell.
    for (const uint16_t attr : {uint16_t{0x02}, uint16_t{0x08}, uint16_t{0x20}}) {
        ASSERT_TRUE(map.SetGridFont(attr, 80, 65)) << attr;
        EXPECT_TRUE(map.SetCellPosition(0, 64)) << attr;
        EXPECT_FALSE(map.SetCellPosition(0, 65)) << attr;
    }
}

} // namespace
