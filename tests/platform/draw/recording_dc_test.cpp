#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <functional>

namespace platform::draw {
namespace {

struct RecordCase
{
    const char* name;
    std::function<void(RecordingDc&, FontEngine&)> call;
    const char* line;
};

class RecordingDcLines : public ::testing::TestWithParam<RecordCase>
{
};

TEST_P(RecordingDcLines, EachCallIsOneExactLine)
{
    FakeFontEngine fonts;
    RecordingDc dc;
    GetParam().call(dc, fonts);
    ASSERT_EQ(dc.lines().size(), 1u) << dc.text();
    EXPECT_EQ(dc.lines()[0], GetParam().line);
}

LogFont courier()
{
    LogFont lf = makeLogFont("Courier New", -113, 60);
    lf.weight = 700;
    lf.italic = 1;
    lf.charSet = kOemCharset;
    lf.escapement = 900;
    return lf;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, RecordingDcLines,
    ::testing::Values(
        RecordCase{"text",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.textOut({120, 340}, "A-B");
                   },
                   "text 120,340 'A-B'"},
        RecordCase{"textClip",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.textOut({120, 340}, "A-B", Rect{0, 0, 100, 50});
                   },
                   "text 120,340 'A-B' clip=0,0,100,50"},
        RecordCase{"textEscapes",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.textOut({-1, 2}, std::string_view("a'b\\c\x01\xC9\0", 8));
                   },
                   "text -1,2 'a\\'b\\\\c\\x01\\xC9\\x00'"},
        RecordCase{"textColor",
                   [](RecordingDc& dc, FontEngine&) { dc.setTextColor(Color::fromColorRef(0x0000FF)); },
                   "textcolor #ff0000"},
        RecordCase{"bkColor",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.setBackgroundColor({0x12, 0xab, 0x00});
                   },
                   "bkcolor #12ab00"},
        RecordCase{"bkMode",
                   [](RecordingDc& dc, FontEngine&) { dc.setBackgroundMode(BackgroundMode::Transparent); },
                   "bkmode transparent"},
        RecordCase{"align", [](RecordingDc& dc, FontEngine&) { dc.setTextAlign(TextAlign::Baseline); },
                   "align baseline"},
        RecordCase{
            "font", [](RecordingDc& dc, FontEngine& f) { dc.selectFont(f.createFont(courier())); },
            "font 'Courier New' h=-113 w=60 weight=700 italic=1 underline=0 strikeout=0 charset=255 esc=900"},
        RecordCase{"fontNone", [](RecordingDc& dc, FontEngine&) { dc.selectFont(nullptr); }, "font none"},
        RecordCase{"penSolid",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.selectPen(Pen{PenStyle::Solid, 8, kBlack});
                   },
                   "pen solid 8 #000000"},
        RecordCase{"penNull",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.selectPen(Pen{PenStyle::Null, 1, kWhite});
                   },
                   "pen null"},
        RecordCase{"brushSolid",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.selectBrush(Brush::solid({1, 2, 3}));
                   },
                   "brush solid #010203"},
        RecordCase{"brushNull", [](RecordingDc& dc, FontEngine&) { dc.selectBrush(Brush::null()); },
                   "brush null"},
        RecordCase{"brushPattern",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.selectBrush(Brush::fromPattern({0x55, 0xFF, 0xDD, 0xFF, 0x75, 0xFF, 0xDD, 0x00}));
                   },
                   "brush pattern 55ffddff75ffdd00"},
        RecordCase{"moveTo",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.moveTo({10, 20});
                   },
                   "moveto 10,20"},
        RecordCase{"lineTo",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.lineTo({30, -20});
                   },
                   "lineto 30,-20"},
        RecordCase{"rect",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.rectangle({1, 2, 3, 4});
                   },
                   "rect 1,2,3,4"},
        RecordCase{"fill",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.fillRect({0, 0, 16, 8},
                                   Brush::fromPattern({0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}));
                   },
                   "fill 0,0,16,8 pattern aa55aa55aa55aa55"},
        RecordCase{"image",
                   [](RecordingDc& dc, FontEngine&) {
                       dc.drawImage({0, 0, 100, 50}, QImage(20, 10, QImage::Format_RGB32));
                   },
                   "image 0,0,100,50 20x10"},
        RecordCase{"save", [](RecordingDc& dc, FontEngine&) { dc.save(); }, "save"},
        RecordCase{"restoreNone", [](RecordingDc& dc, FontEngine&) { EXPECT_FALSE(dc.restore()); },
                   "restore none"}),
    [](const ::testing::TestParamInfo<RecordCase>& param) { return std::string(param.param.name); });

TEST(RecordingDc, SaveRestoreBringsBackTheWholeState)
{
    FakeFontEngine fonts;
    RecordingDc dc;
    const FontHandle first = fonts.createFont(makeLogFont("Courier New", -20));
    dc.selectFont(first);
    dc.setTextColor({1, 1, 1});
    dc.moveTo({5, 6});
    dc.save();
    dc.selectFont(fonts.createFont(makeLogFont("Arial", -30)));
    dc.setTextColor({2, 2, 2});
    dc.setBackgroundMode(BackgroundMode::Transparent);
    dc.selectPen(Pen{PenStyle::Null, 1, kBlack});
    dc.lineTo({50, 60});
    EXPECT_TRUE(dc.restore());
    EXPECT_EQ(dc.font(), first);
    EXPECT_EQ(dc.textColor(), (Color{1, 1, 1}));
    EXPECT_EQ(dc.backgroundMode(), BackgroundMode::Opaque);
    EXPECT_EQ(dc.pen(), Pen{});
    EXPECT_EQ(dc.currentPosition(), (Point{5, 6}));
    EXPECT_EQ(dc.lines().back(), "restore");
}

TEST(RecordingDc, MeasuresWithTheSelectedFontWithoutRecording)
{
    FakeFontEngine fonts;
    RecordingDc dc;
    EXPECT_FALSE(dc.textOut({0, 0}, "x")); // no font: nothing drawn
    EXPECT_EQ(dc.textExtent("abc"), (Size{0, 0}));
    dc.selectFont(fonts.createFont(makeLogFont("Courier New", -50, 30)));
    dc.clear();
    EXPECT_EQ(dc.textExtent("abc"), (Size{90, 50}));
    EXPECT_EQ(dc.charWidths('a', 'c'), (std::vector<int>{30, 30, 30}));
    EXPECT_EQ(dc.textMetrics().ascent, 40);
    EXPECT_TRUE(dc.textOut({0, 0}, "x"));
    EXPECT_EQ(dc.lines().size(), 1u);
}

} // namespace
} // namespace platform::draw
