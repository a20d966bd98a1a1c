#include "platform/draw/image_dc.h"
#include "platform/draw/recording_dc.h"
#include "platform/draw/tee_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <QColor>

namespace platform::draw {
namespace {

TEST(TeeDc, DoesEveryCallOnBoth)
{
    FakeFontEngine fonts;
    RecordingDc first(ImageDc::capsFor(50, 40, 300));
    RecordingDc second;
    TeeDc tee(first, second);
    tee.setTextColor({255, 0, 0});
    tee.setBackgroundColor({0, 255, 0});
    tee.setBackgroundMode(BackgroundMode::Transparent);
    tee.setTextAlign(TextAlign::Bottom);
    tee.selectFont(fonts.createFont(makeLogFont("Courier New", -10)));
    tee.selectPen(Pen{PenStyle::Solid, 2, kBlack});
    tee.selectBrush(Brush::null());
    tee.save();
    tee.moveTo({1, 2});
    tee.lineTo({3, 2});
    tee.rectangle({0, 0, 5, 5});
    tee.fillRect({0, 0, 8, 8}, Brush::solid(kWhite));
    tee.drawImage({0, 0, 4, 4}, QImage(2, 2, QImage::Format_RGB32));
    EXPECT_TRUE(tee.textOut({4, 5}, "ab", Rect{0, 0, 9, 9}));
    EXPECT_EQ(tee.currentPosition(), (Point{3, 2}));
    EXPECT_EQ(second.currentPosition(), (Point{3, 2}));
    EXPECT_TRUE(tee.restore());
    EXPECT_EQ(first.lines().size(), 15u);
    EXPECT_EQ(first.lines(), second.lines());
    EXPECT_EQ(tee.caps(), first.caps());
    EXPECT_EQ(tee.currentPosition(), (Point{0, 0})); // restored with the state
    EXPECT_EQ(second.currentPosition(), (Point{0, 0}));
}

TEST(TeeDc, DrawsTheSamePixelsOnBothImages)
{
    ImageDc a(ImageDc::capsFor(16, 16));
    ImageDc b(ImageDc::capsFor(16, 16));
    TeeDc tee(a, b);
    tee.setTextColor(kBlack);
    tee.fillRect({0, 0, 16, 16}, Brush::fromPattern({0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}));
    tee.moveTo({0, 8});
    tee.lineTo({16, 8});
    EXPECT_EQ(a.image(), b.image());
    EXPECT_EQ(QColor(a.image().pixel(1, 0)), QColor(Qt::black));
}

} // namespace
} // namespace platform::draw
