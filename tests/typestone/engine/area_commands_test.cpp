// The area and position commands through a running job: what they ask of the text formatter
// (a recording one), the units they convert, the drawing area, and what they do without a
// formatter.

#include "tests/support/engine/recording_layout.h"
#include "tests/typestone/engine/command_job.h"

#include "typestone/engine/command_codes.h"

using namespace engine_test;
using namespace typestone;
using typestone::test::RecordingLayout;

namespace {

std::string setDfltUnits(uint32_t units, uint16_t cols = 0, uint16_t rows = 0)
{
    return escBlock(kCmdSetDfltUnits, le32(units) + le16(cols) + le16(rows));
}
std::string setRotation(uint16_t angle, uint32_t units)
{
    return escBlock(kCmdSetRotation, le16(angle) + le32(units));
}
std::string prtWindow(uint16_t wnr, uint16_t pag, int x, int y, int cx, int cy, uint32_t flags)
{
    return escBlock(kCmdPrtWindow,
                    le16(wnr) + le16(pag) + le32(x) + le32(y) + le32(cx) + le32(cy) + le32(flags));
}
std::string setPos(int x, int y, uint32_t units, uint16_t rect)
{
    return escBlock(kCmdSetPos, le32(x) + le32(y) + le32(units) + le16(rect));
}
std::string setDCA(uint32_t flags, uint32_t units, int x, int y, int cx, int cy, int cols = 0, int rows = 0)
{
    return escBlock(kCmdSetDCA, le32(flags) + le32(units) + le32(x) + le32(y) + le32(cx) + le32(cy) +
                                    le16(0) + le32(cols) + le32(rows));
}

class AreaCommandsTest : public CommandJobTest
{
protected:
    void withLayout() { m_prt->FontMapper()->SetLayout(&m_layout); }
    // What the commands asked, without the colours the mapper passes on at each page start.
    std::vector<std::string> commandCalls() const
    {
        std::vector<std::string> out;
        for (const std::string& c : m_layout.calls)
            if (c.rfind("SetTextColor", 0) != 0 && c.rfind("SetBkColor", 0) != 0 &&
                c.rfind("SetBkMode", 0) != 0 && c.rfind("SetAttrWord", 0) != 0 && c.rfind("SetFont ", 0) != 0)
                out.push_back(c);
        return out;
    }
    RecordingLayout m_layout;
};

} // namespace

TEST_F(AreaCommandsTest, RotationInDegreesAndRadians)
{
    withLayout();
    struct Case
    {
        const char* what;
        std::string stream;
        int degrees;
    };
    const Case cases[] = {
        {"radians: 3 x 360 / 2 pi, cut", setRotation(3, 0x40000000), 171},
        {"degrees by the default unit", setRotation(90, 0), 90},
        {"any other angle unit is degrees", setRotation(45, 0x80000004), 45},
        {"radians as the default angle unit", setDfltUnits(0x40000000) + setRotation(1, 0), 57},
        {"a length unit alone keeps the default angle unit",
         setDfltUnits(0x40000000) + setDfltUnits(1) + setRotation(2, 0), 114},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        withLayout();
        ASSERT_TRUE(run(c.stream));
        EXPECT_EQ(m_layout.rotation, c.degrees);
        EXPECT_EQ(failures(), 0) << m_host.trace;
        EXPECT_EQ(m_log->count("startPage"), 1); // the rotation starts the page
    }
}

TEST_F(AreaCommandsTest, PrintWindowsAreDefinedInPixels)
{
    withLayout();
    ASSERT_TRUE(run(prtWindow(3, 0, 10, 20, 30, 40, 0x0004 | 0x40 | 0x800) + // mm, page selection, stray bit
                    prtWindow(4, 2, 100, 200, 300, 400, 0x0001 | 0x20)));    // pixels, chained
    ASSERT_EQ(m_layout.defined.size(), 2u);
    const auto& mm = m_layout.defined[0];
    // 10 mm at 600 dpi = 236 pixels; page 0 means page 1; only the rectangle options pass.
    EXPECT_EQ(mm.rect, (platform::draw::Rect{236, 472, 236 + 709, 472 + 945}));
    EXPECT_EQ(mm.number, 3);
    EXPECT_EQ(mm.firstPage, 1);
    EXPECT_EQ(mm.lastPage, 0);
    EXPECT_EQ(mm.options, 0x40u);
    const auto& px = m_layout.defined[1];
    EXPECT_EQ(px.rect, (platform::draw::Rect{100, 200, 400, 600}));
    EXPECT_EQ(px.firstPage, 2);
    EXPECT_EQ(px.options, 0x20u);
    EXPECT_EQ(failures(), 0);

    // Far off the page on the other side in pixels: the far edge is held too, it does not wrap.
    SetUp();
    withLayout();
    m_layout.defined.clear();
    ASSERT_TRUE(run(prtWindow(1, 1, -1600000000, -1600000000, -1600000000, -1600000000, 1)));
    ASSERT_EQ(m_layout.defined.size(), 1u);
    EXPECT_EQ(m_layout.defined[0].rect,
              (platform::draw::Rect{-(1 << 28), -(1 << 28), -(1 << 29), -(1 << 29)}));

    // The formatter's refusal is the command's failure.
    SetUp();
    withLayout();
    m_layout.result = 0;
    run(prtWindow(1, 1, 0, 0, 10, 10, 1));
    EXPECT_TRUE(failed("PrtWindow")) << m_host.trace;
}

TEST_F(AreaCommandsTest, DefaultUnitsAndTheAreaGrid)
{
    withLayout();
    // Units 0 keeps mm and degrees; the mm position 10, 20 converts to pixels.
    ASSERT_TRUE(run(setDfltUnits(0, 7, 9) + setPos(10, 20, 0, 0xFFFF) +
                    // the area grid: 80 x 58 cells of the 4800 x 6960 page are 60 x 120 pixels
                    setDfltUnits(2, 80, 58) + setPos(2, 3, 0, 5) +
                    // units 0 again keeps the grid unit, and the grid takes the new columns and rows
                    setDfltUnits(0, 40, 29) + setPos(2, 3, 0, 0xFFFF)));
    const std::vector<std::string> expected = {"SetPos -1 236 472", "SetPos 5 120 360", "SetPos -1 240 720"};
    std::vector<std::string> calls;
    for (const auto& c : m_layout.calls)
        if (c.rfind("SetPos", 0) == 0)
            calls.push_back(c);
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(m_prt->FontMapper()->UnitFlags(), 0x80000002u);
    EXPECT_EQ(failures(), 0) << m_host.trace;
}

TEST_F(AreaCommandsTest, PositionsAreHeldInsideThePage)
{
    withLayout();
    // Far beyond the page in inches, and a grid cell count that would overflow on the way.
    ASSERT_TRUE(
        run(setPos(0x7FFFFFFF, -5, 8, 0xFFFF) + setDfltUnits(2, 1, 1) + setPos(0x7FFFFFF0, 3, 2, 0xFFFF)));
    EXPECT_EQ(m_layout.calls.back(), "SetPos -1 4800 6960");
    EXPECT_EQ(m_layout.calls[m_layout.calls.size() - 2], "SetPos -1 4800 -3000");
}

TEST_F(AreaCommandsTest, SelectAndChangeAreas)
{
    withLayout();
    m_layout.pos = {17, 4};
    ASSERT_TRUE(
        run(escBlock(kCmdPrtSelectArea, le16(6) + le16(0xAAAA) + le32(9)) +
            escBlock(kCmdPrtChangeArea, le16(2) + le16(0xBBBB) + le16(7) + le16(0xCCCC) + le32(0xFFFF))));
    EXPECT_EQ(commandCalls(), (std::vector<std::string>{"SelectRect 6 1", "SetRectPages 2 7 2016"}));
    EXPECT_EQ(m_prt->X(), 17);
    EXPECT_EQ(m_prt->Y(), 4);
    EXPECT_EQ(m_log->count("startPage"), 1);
}

TEST_F(AreaCommandsTest, DrawingAreaClipsFramesAndAligns)
{
    withLayout();
    ASSERT_TRUE(run(setDCA(0x20 | 2, 1, 100, 200, 300, 400)));
    EXPECT_EQ(m_prt->FontMapper()->ClipRect(), (platform::draw::Rect{100, 200, 400, 600}));
    EXPECT_EQ(commandCalls(), (std::vector<std::string>{"DrawFrame", "SetAlign 2"}));

    // Without a formatter the area is still the clip rectangle and its frame is drawn here.
    SetUp();
    m_prt->FontMapper()->SetLayout(nullptr);
    ASSERT_TRUE(run(setDCA(0x20, 2, 1, 2, 3, 4, 80, 58)));
    EXPECT_EQ(m_prt->FontMapper()->ClipRect(), (platform::draw::Rect{60, 240, 240, 720}));
    EXPECT_EQ(drawn("rect"), std::vector<std::string>{"rect 60,240,240,720"});
    EXPECT_EQ(failures(), 0) << m_host.trace;

    // The area grid needs its columns and rows: none is a failure, not a rectangle of raw values.
    SetUp();
    run(setDCA(0, 2, 1, 2, 3, 4));
    EXPECT_TRUE(failed("SetDCA")) << m_host.trace;
    EXPECT_TRUE(m_prt->FontMapper()->ClipRect().isEmpty());
}

TEST_F(AreaCommandsTest, OrientationAndNewPage)
{
    withLayout();
    ASSERT_TRUE(run("A" + setDCA(0x8000 | 0x100 | 0x10000, 1, 0, 0, 0, 0) + "B" +
                    escBlock(kCmdSetPrtMode, le16(0x400)) + "C"));
    // Each orientation change ends the page: A, B and C are on pages of their own.
    EXPECT_EQ(m_log->count("startPage"), 3);
    EXPECT_FALSE(m_prt->IsLandscape());
    EXPECT_TRUE(m_layout.rectStyle);
    EXPECT_EQ(failures(), 0) << m_host.trace;
}

TEST_F(AreaCommandsTest, WithoutAFormatterTheFormatterCommandsFail)
{
    // A mapper that has no formatter to give (the job's own is taken away).
    m_prt->FontMapper()->SetLayout(nullptr);
    const std::string stream = prtWindow(1, 1, 0, 0, 10, 10, 1) + escBlock(kCmdPrtSelectArea, le16(1)) +
                               escBlock(kCmdPrtChangeArea, le16(0)) + setPos(1, 1, 1, 0xFFFF) +
                               setRotation(90, 0) + setDfltUnits(1) + escBlock(kCmdSetPrtMode, le16(0));
    run(stream);
    for (const char* name : {"PrtWindow", "PrtSelectArea", "PrtChangeArea", "SetPos", "SetRotation"}) {
        EXPECT_TRUE(failed(name)) << name;
        EXPECT_NE(m_host.trace.find(std::string("CWinPrt::") + name + "() - no text formatter"),
                  std::string::npos)
            << name;
    }
    // Units and the page mode need none.
    EXPECT_EQ(failures(), 5) << m_host.trace;
}
