#include "platform/draw/dc.h"
#include "platform/draw/log_font.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace platform::draw {
namespace {

TEST(LogFont, KeepsTheSixtyByteLayout)
{
    EXPECT_EQ(offsetof(LogFont, height), 0u);
    EXPECT_EQ(offsetof(LogFont, width), 4u);
    EXPECT_EQ(offsetof(LogFont, escapement), 8u);
    EXPECT_EQ(offsetof(LogFont, orientation), 12u);
    EXPECT_EQ(offsetof(LogFont, weight), 16u);
    EXPECT_EQ(offsetof(LogFont, italic), 20u);
    EXPECT_EQ(offsetof(LogFont, charSet), 23u);
    EXPECT_EQ(offsetof(LogFont, pitchAndFamily), 27u);
    EXPECT_EQ(offsetof(LogFont, faceName), 28u);
}

TEST(LogFont, FaceNameIsCutAndZeroFilled)
{
    LogFont lf;
    lf.setFaceName("A face name much longer than thirty-one bytes");
    EXPECT_EQ(lf.faceNameView(), "A face name much longer than th");
    lf.setFaceName("Arial");
    EXPECT_EQ(lf.faceNameView(), "Arial");
    for (size_t i = 5; i < kFaceNameSize; ++i) {
        EXPECT_EQ(lf.faceName[i], 0) << i;
    }
    // A name filling the whole array without a zero is read only up to the array's end.
    std::memset(lf.faceName, 'x', kFaceNameSize);
    EXPECT_EQ(lf.faceNameView().size(), kFaceNameSize);
}

TEST(LogFont, EqualityIsByteForByte)
{
    LogFont a = makeLogFont("Courier New", -113, 60);
    LogFont b = a;
    EXPECT_EQ(a, b);
    b.faceName[20] = 'x'; // after the terminating zero
    EXPECT_NE(a, b);
    b = a;
    b.quality = 1;
    EXPECT_NE(a, b);
}

TEST(LogFont, PointFontsBecomePixelsAtTheDeviceResolution)
{
    LogFont lf = makeLogFont("Arial", 120, 100); // 12 pt by 10 pt
    const LogFont pixels = pointFontToPixels(lf, 600);
    EXPECT_EQ(pixels.height, -100);
    EXPECT_EQ(pixels.width, 83);
    EXPECT_EQ(pointFontToPixels(makeLogFont("Arial", -100), 300).height, -42);
}

TEST(DcValues, ColorRefAndRectangles)
{
    EXPECT_EQ(Color::fromColorRef(0x00C0C0C0), (Color{0xC0, 0xC0, 0xC0}));
    EXPECT_EQ(Color::fromColorRef(0x000000FF), (Color{0xFF, 0, 0}));
    EXPECT_EQ((Color{1, 2, 3}).colorRef(), 0x00030201u);
    const Rect a{0, 0, 10, 10};
    EXPECT_EQ(a.intersected({5, 5, 20, 20}), (Rect{5, 5, 10, 10}));
    EXPECT_TRUE(a.intersected({10, 0, 20, 10}).isEmpty());
    EXPECT_TRUE(a.contains({9, 9}));
    EXPECT_FALSE(a.contains({10, 9}));
}

} // namespace
} // namespace platform::draw
