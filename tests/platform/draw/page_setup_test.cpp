#include "platform/draw/page_setup.h"

#include <gtest/gtest.h>

namespace platform::draw {
namespace {

TEST(PageSetup, MediaSizesComeFromTheSelfDescribingName)
{
    const auto a4 = PageSetup::mediaSizeMm("iso_a4_210x297mm");
    ASSERT_TRUE(a4);
    EXPECT_DOUBLE_EQ(a4->first, 210);
    EXPECT_DOUBLE_EQ(a4->second, 297);
    const auto letter = PageSetup::mediaSizeMm("na_letter_8.5x11in");
    ASSERT_TRUE(letter);
    EXPECT_DOUBLE_EQ(letter->first, 215.9);
    EXPECT_DOUBLE_EQ(letter->second, 279.4);
    for (const char* bad : {"a4", "iso_a4_210x297", "iso_a4_x297mm", "iso_a4_0x297mm", "x_1e9x1e9mm"}) {
        EXPECT_FALSE(PageSetup::mediaSizeMm(bad)) << bad;
    }
}

TEST(PageSetup, CapsAtTheResolutionTurnedForLandscape)
{
    PageSetup setup;
    setup.resolution = {600, 300};
    DeviceCaps caps = setup.caps();
    EXPECT_EQ(caps.dpiX, 600);
    EXPECT_EQ(caps.dpiY, 300);
    EXPECT_EQ(caps.width, 4961);
    EXPECT_EQ(caps.height, 3508);
    EXPECT_EQ(caps.widthMm, 210);
    EXPECT_EQ(caps.heightMm, 297);
    EXPECT_EQ(caps.offsetX, 0);
    setup.orientation = spooler::Orientation::Landscape;
    caps = setup.caps();
    EXPECT_EQ(caps.width, 7016);
    EXPECT_EQ(caps.height, 2480);
    EXPECT_EQ(caps.widthMm, 297);
}

TEST(PageSetup, ThePrintableAreaLiesInsideTheMarginsTurnedWithThePage)
{
    // A4 at 600 dpi with margins left 6.35, top 4.23, right 12.7, bottom 25.4 mm (sheet in
    // portrait): 150, 100, 300 and 600 pixels.
    struct Case
    {
        spooler::Orientation orientation;
        int offsetX, offsetY, width, height;
    };
    const Case cases[] = {
        {spooler::Orientation::Portrait, 150, 100, 4961 - 450, 7016 - 700},
        {spooler::Orientation::Landscape, 600, 150, 7016 - 700, 4961 - 450},
        {spooler::Orientation::ReverseLandscape, 100, 300, 7016 - 700, 4961 - 450},
        {spooler::Orientation::ReversePortrait, 300, 600, 4961 - 450, 7016 - 700},
    };
    for (const Case& c : cases) {
        PageSetup setup;
        setup.margins = {635, 423, 1270, 2540};
        setup.orientation = c.orientation;
        const DeviceCaps caps = setup.caps();
        SCOPED_TRACE(spooler::keyword(c.orientation));
        EXPECT_EQ(caps.offsetX, c.offsetX);
        EXPECT_EQ(caps.offsetY, c.offsetY);
        EXPECT_EQ(caps.width, c.width);
        EXPECT_EQ(caps.height, c.height);
        EXPECT_EQ(caps.physicalWidth, setup.isLandscape() ? 7016 : 4961);
    }
    PageSetup setup;
    setup.margins = {635, 423, 1270, 2540};
    EXPECT_EQ(setup.caps().widthMm, 191); // 210 - 19.05
    EXPECT_EQ(setup.caps().heightMm, 267);

    // The printer's defaults bring their margins.
    spooler::PrinterDefaults defaults;
    defaults.margins = {1, 2, 3, 4};
    EXPECT_EQ(PageSetup::from(defaults, {}).margins, defaults.margins);
}

TEST(PageSetup, MarginsThatLeaveNoPageAreRefused)
{
    PageSetup setup;
    setup.media = "iso_a7_74x105mm";
    std::string error;
    for (const spooler::Margins& bad :
         {spooler::Margins{3300, 0, 3300, 0}, spooler::Margins{0, 4800, 0, 4800},
          spooler::Margins{-1, 0, 0, 0}, spooler::Margins{0, 0, spooler::kMaxMargin + 1, 0}}) {
        setup.margins = bad;
        error.clear();
        EXPECT_FALSE(setup.check(&error)) << bad.left << " " << bad.top;
        EXPECT_NE(error.find("margins"), std::string::npos) << error;
    }
    setup.margins = {3000, 4000, 3000, 4000}; // a centimetre either way stays
    EXPECT_TRUE(setup.check(&error)) << error;
}

TEST(PageSetup, OptionsOverrideTheDefaults)
{
    spooler::PrinterDefaults defaults;
    spooler::PrintOptions options;
    options.media = "na_letter_8.5x11in";
    const PageSetup setup = PageSetup::from(defaults, options);
    EXPECT_EQ(setup.media, "na_letter_8.5x11in");
    EXPECT_EQ(setup.resolution, defaults.resolution);
    std::string error;
    EXPECT_TRUE(setup.check(&error));
    PageSetup bad = setup;
    bad.media = "custom";
    EXPECT_FALSE(bad.check(&error));
    EXPECT_NE(error.find("custom"), std::string::npos);
}

} // namespace
} // namespace platform::draw
