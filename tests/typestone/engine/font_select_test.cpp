// The font mapper's selection by unit, its face probe and its angles, on a recording Dc with
// formula fonts.

#include "tests/support/engine/recording_layout.h"

#include "typestone/engine/font_mapper.h"

#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using platform::draw::LogFont;
using typestone::CFontMapper;

namespace {

platform::draw::DeviceCaps caps()
{
    platform::draw::DeviceCaps c;
    c.dpiX = c.dpiY = 600;
    c.width = c.physicalWidth = 4800;
    c.height = c.physicalHeight = 6960;
    return c;
}

class FontSelectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_fm.SetDc(&m_dc);
        ASSERT_TRUE(m_fm.SetGridFont(0, 80, 58));
    }
    platform::draw::FakeFontEngine m_fonts;
    platform::draw::RecordingDc m_dc{caps()};
    CFontMapper m_fm{nullptr, 1, &m_fonts};
};

// The set-unit flag: the unit converts the size and becomes the unit mode; without a point
// value the converted numbers are taken as pixels; compressed or double size keep both.
TEST_F(FontSelectTest, SetUnitConvertsAndStores)
{
    struct Case
    {
        const char* name;
        int unit;
        int height;
        uint16_t attr;
        int value;
        int lfHeight;
        int mode;
    };
    const Case cases[] = {
        {"PointFontInTenths", 16, 240, 0, 1, -200, typestone::kUnitPoint10},
        {"TenthsWithoutPointValueArePixels", 16, -90, 0, 0, -90, typestone::kUnitPoint10},
        {"MillimetresWithoutPointValue", 4, 1, 0, 0, 28, typestone::kUnitMm},
        {"InchesAsPointFont", 8, 2, 0, 1, -1200, typestone::kUnitInch},
        {"UnknownUnitIsPixels", 3, -70, 0, 1, -70, 3},
        {"DoubleWidthKeepsTheMode", 16, -64, 0x10, 1, -64, typestone::kUnitGrid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_fm.SetGridFont(0, 80, 58));
        LogFont lf = m_fm.CurrLogFont();
        lf.height = c.height;
        lf.width = 0;
        ASSERT_TRUE(m_fm.SelFont(lf, true, c.unit, c.attr, c.value));
        EXPECT_EQ(m_fm.CurrLogFont().height, c.lfHeight);
        EXPECT_EQ(m_fm.UnitMode(), c.mode);
    }
}

// Each selection hands the LOGFONT to the formatter, the same one as before included.
TEST_F(FontSelectTest, EverySelectionReachesTheFormatter)
{
    typestone::test::RecordingLayout layout;
    m_fm.SetLayout(&layout);
    LogFont lf = m_fm.CurrLogFont();
    ASSERT_TRUE(m_fm.SelFont(lf, 0));
    ASSERT_TRUE(m_fm.SelFont(lf, 0));
    EXPECT_EQ(layout.calls, (std::vector<std::string>{"SetFont -120 60", "SetFont -120 60"}));
    EXPECT_TRUE(layout.font == lf);
}

// Sizes a host gives in any unit are converted without overflow and end inside the page.
TEST_F(FontSelectTest, ConvertUnitsOfHugeValuesStayOnThePage)
{
    for (int unit :
         {typestone::kUnitArea, typestone::kUnitMm, typestone::kUnitInch, typestone::kUnitPoint10}) {
        SCOPED_TRACE(unit);
        m_fm.SetAreaGrid(1, 1);
        int x = INT_MAX;
        int y = INT_MAX;
        int right = INT_MAX;
        int bottom = INT_MIN;
        m_fm.ConvertUnits(unit, &x, &y, &right, &bottom);
        EXPECT_EQ(x, 4800);
        EXPECT_EQ(y, 6960);
        EXPECT_EQ(right, 0);
        EXPECT_LT(bottom, 0); // negative stays negative, not wrapped round
    }
}

// Without a device context nothing is selected.
TEST(FontSelect, WithoutADeviceContextNothingIsSelected)
{
    platform::draw::FakeFontEngine fonts;
    CFontMapper fm(nullptr, 1, &fonts);
    EXPECT_FALSE(fm.SelFont(platform::draw::makeLogFont("Arial", -100), true, typestone::kUnitPoint10, 0, 1));
    EXPECT_FALSE(fm.SetAreaCell(10, 10, 1, 0, 0));
    EXPECT_FALSE(fm.ApplyAttrFont(0x02));
    EXPECT_TRUE(fm.CurrLogFont().faceNameView().empty());
}

TEST_F(FontSelectTest, FaceProbe)
{
    struct Case
    {
        const char* face;
        bool fixed;
        bool lineDraw;
    };
    const Case cases[] = {
        {"Courier New", true, false},
        {"Arial", false, false},
        {"MS LineDraw", true, true},
        {"ms linedraw 2", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        const LogFont lf = platform::draw::makeLogFont(c.face, -100);
        bool fixed = !c.fixed;
        bool lineDraw = !c.lineDraw;
        bool trueType = false;
        EXPECT_EQ(m_fm.FaceProbe(&lf, &fixed, &lineDraw, &trueType), 1);
        EXPECT_EQ(fixed, c.fixed);
        EXPECT_EQ(lineDraw, c.lineDraw);
        EXPECT_TRUE(trueType);
    }
    EXPECT_EQ(m_fm.FaceProbe(nullptr, nullptr, nullptr, nullptr), 0);
}

// Radians become whole degrees (the fraction dropped, a full turn taken off); degrees stay.
TEST_F(FontSelectTest, AngleInRadiansOrDegrees)
{
    struct Case
    {
        uint32_t flags;
        uint16_t angle;
        uint16_t degrees;
    };
    const Case cases[] = {
        {0x40000000u, 1, 57},  {0x40000001u, 3, 171}, {0x40000000u, 7, 41}, {0x40000000u, 65535, 78},
        {0x80000000u, 90, 90}, {0x10000000u, 3, 3},   {0x00000004u, 3, 3}, // no angle unit of its own: the
                                                                           // default one, degrees
    };
    for (const Case& c : cases) {
        uint16_t angle = c.angle;
        EXPECT_EQ(m_fm.Angle(c.flags, &angle), 1);
        EXPECT_EQ(angle, c.degrees) << c.flags << " " << c.angle;
    }
    // With radians as the default angle unit, flags without one use it.
    m_fm.DefaultUnits(0x40000000u, 0, 0);
    uint16_t angle = 2;
    m_fm.Angle(0x4, &angle);
    EXPECT_EQ(angle, 114);
}

} // namespace
