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
