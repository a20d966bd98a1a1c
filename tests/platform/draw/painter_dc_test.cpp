#include "platform/draw/image_dc.h"
#include "platform/draw/qt_font_engine.h"
#include "support/fonts/test_fonts.h"

#include <gtest/gtest.h>

#include <QColor>

#include <string>
#include <vector>

namespace platform::draw {
namespace {

bool isInk(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y)) != QColor(Qt::white);
}

// The rows of the image as strings, '#' for every pixel that is not white.
std::vector<std::string> picture(const QImage& image)
{
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            row += isInk(image, x, y) ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

Rect inkBounds(const QImage& image)
{
    Rect bounds{image.width(), image.height(), 0, 0};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isInk(image, x, y)) {
                bounds = Rect{std::min(bounds.left, x), std::min(bounds.top, y),
                              std::max(bounds.right, x + 1), std::max(bounds.bottom, y + 1)};
            }
        }
    }
    return bounds;
}

struct LineCase
{
    const char* name;
    Point from;
    Point to;
    int width;
    std::vector<std::string> expected; // a 12 x 6 picture
};

class HalfOpenLines : public ::testing::TestWithParam<LineCase>
{
};

TEST_P(HalfOpenLines, LeaveOutTheEndPoint)
{
    const LineCase& c = GetParam();
    ImageDc dc(ImageDc::capsFor(12, 6));
    dc.selectPen(Pen{PenStyle::Solid, c.width, kBlack});
    dc.moveTo(c.from);
    dc.lineTo(c.to);
    EXPECT_EQ(dc.currentPosition(), c.to);
    EXPECT_EQ(picture(dc.image()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Spans, HalfOpenLines,
                         ::testing::Values(LineCase{"rightwards",
                                                    {0, 1},
                                                    {10, 1},
                                                    1,
                                                    {"............", "##########..", "............",
                                                     "............", "............", "............"}},
                                           LineCase{"leftwards",
                                                    {10, 2},
                                                    {3, 2},
                                                    1,
                                                    {"............", "............", "....#######.",
                                                     "............", "............", "............"}},
                                           LineCase{"downwards",
                                                    {2, 0},
                                                    {2, 4},
                                                    1,
                                                    {"..#.........", "..#.........", "..#.........",
                                                     "..#.........", "............", "............"}},
                                           LineCase{"upwards",
                                                    {5, 5},
                                                    {5, 1},
                                                    1,
                                                    {"............", "............", ".....#......",
                                                     ".....#......", ".....#......", ".....#......"}},
                                           LineCase{"threeWideCentred",
                                                    {1, 2},
                                                    {5, 2},
                                                    3,
                                                    {"............", ".####.......", ".####.......",
                                                     ".####.......", "............", "............"}},
                                           LineCase{"diagonal",
                                                    {0, 0},
                                                    {4, 4},
                                                    1,
                                                    {"#...........", ".#..........", "..#.........",
                                                     "...#........", "............", "............"}},
                                           LineCase{"toItself",
                                                    {3, 3},
                                                    {3, 3},
                                                    1,
                                                    {"............", "............", "............",
                                                     "............", "............", "............"}}),
                         [](const ::testing::TestParamInfo<LineCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(PainterDc, ConsecutiveLinesJoinWithoutGapOrOverlap)
{
    ImageDc dc(ImageDc::capsFor(12, 6));
    dc.selectPen(Pen{PenStyle::Solid, 1, {0, 0, 255}});
    dc.moveTo({1, 1});
    dc.lineTo({6, 1});
    dc.lineTo({6, 4});
    dc.lineTo({1, 4});
    dc.lineTo({1, 1});
    EXPECT_EQ(picture(dc.image()),
              (std::vector<std::string>{"............", ".######.....", ".#....#.....", ".#....#.....",
                                        ".######.....", "............"}));
    EXPECT_EQ(QColor(dc.image().pixel(6, 1)), QColor(0, 0, 255));
}

TEST(PainterDc, ExtremeCoordinatesStayBoundedAndOnThePage)
{
    constexpr int kFar = 2000000000;
    ImageDc dc(ImageDc::capsFor(20, 10));
    dc.selectPen(Pen{PenStyle::Solid, kFar, kBlack});
    dc.moveTo({-kFar, 5});
    dc.lineTo({kFar, 5}); // the whole width, as thick as the page
    EXPECT_EQ(inkBounds(dc.image()), (Rect{0, 0, 20, 10}));

    ImageDc diagonal(ImageDc::capsFor(20, 10));
    diagonal.moveTo({-kFar, -kFar});
    diagonal.lineTo({kFar, kFar}); // must not step through four billion points
    EXPECT_TRUE(isInk(diagonal.image(), 5, 5));

    ImageDc shapes(ImageDc::capsFor(20, 10));
    shapes.selectBrush(Brush::solid(kBlack));
    shapes.rectangle({-kFar, -kFar, kFar, 3});
    shapes.fillRect({15, -kFar, kFar, kFar}, Brush::solid(kBlack));
    EXPECT_EQ(picture(shapes.image())[0], "####################");
    EXPECT_EQ(picture(shapes.image())[5], "...............#####");
}

TEST(PainterDc, NullPenDrawsNoLine)
{
    ImageDc dc(ImageDc::capsFor(12, 6));
    dc.selectPen(Pen{PenStyle::Null, 1, kBlack});
    dc.moveTo({0, 0});
    dc.lineTo({10, 0});
    EXPECT_EQ(inkBounds(dc.image()), (Rect{12, 6, 0, 0}));
}

TEST(PainterDc, RectangleFillsWithTheBrushAndOutlinesOnItsOwnEdge)
{
    ImageDc dc(ImageDc::capsFor(10, 8));
    dc.selectPen(Pen{PenStyle::Solid, 1, {255, 0, 0}});
    dc.selectBrush(Brush::solid({0, 255, 0}));
    dc.rectangle({2, 1, 8, 6});
    const QImage& image = dc.image();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 8 && y >= 1 && y < 6;
            const bool edge = inside && (x == 2 || x == 7 || y == 1 || y == 5);
            const QColor expected = !inside ? QColor(Qt::white)
                                    : edge  ? QColor(255, 0, 0)
                                            : QColor(0, 255, 0);
            EXPECT_EQ(QColor(image.pixel(x, y)), expected) << x << "," << y;
        }
    }
}

TEST(PainterDc, NullBrushRectangleLeavesTheInside)
{
    ImageDc dc(ImageDc::capsFor(10, 8));
    dc.selectBrush(Brush::null());
    dc.rectangle({0, 0, 4, 4});
    EXPECT_EQ(picture(dc.image())[0].substr(0, 5), "####.");
    EXPECT_EQ(picture(dc.image())[1].substr(0, 5), "#..#.");
    EXPECT_EQ(picture(dc.image())[3].substr(0, 5), "####.");
}

TEST(PainterDc, PatternFillIsAlignedToTheDeviceOrigin)
{
    const Pattern8x8 rows{0x80, 0x41, 0x22, 0x14, 0x08, 0xF0, 0x0F, 0xAA};
    const QColor ink(10, 20, 30), paper(200, 210, 220);
    ImageDc dc(ImageDc::capsFor(40, 30));
    dc.setTextColor({10, 20, 30});
    dc.setBackgroundColor({200, 210, 220});
    const Rect area{3, 5, 29, 23}; // starts off the pattern's grid on purpose
    dc.fillRect(area, Brush::fromPattern(rows));
    const QImage& image = dc.image();
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            QColor expected(Qt::white);
            if (area.contains({x, y})) {
                expected = (rows[y % 8] & (0x80 >> (x % 8))) ? ink : paper;
            }
            ASSERT_EQ(QColor(image.pixel(x, y)), expected) << x << "," << y;
        }
    }
}

TEST(PainterDc, SolidFillCoversExactlyTheRectangle)
{
    ImageDc dc(ImageDc::capsFor(10, 10));
    dc.fillRect({1, 2, 4, 3}, Brush::solid(kBlack));
    EXPECT_EQ(inkBounds(dc.image()), (Rect{1, 2, 4, 3}));
    dc.fillRect({5, 5, 5, 9}, Brush::solid(kBlack)); // empty
    EXPECT_EQ(inkBounds(dc.image()), (Rect{1, 2, 4, 3}));
}

TEST(PainterDc, DrawImageScalesIntoTheTarget)
{
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(1, 0, qRgb(0, 0, 255));
    ImageDc dc(ImageDc::capsFor(10, 10));
    dc.drawImage({2, 2, 6, 4}, source);
    const QImage& image = dc.image();
    EXPECT_EQ(inkBounds(image), (Rect{2, 2, 6, 4}));
    EXPECT_EQ(QColor(image.pixel(2, 3)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(5, 2)), QColor(0, 0, 255));
}

class PainterDcText : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    FontHandle font(const char* face, int height, int width = 0)
    {
        std::string error;
        FontHandle made = m_fonts.createFont(makeLogFont(face, height, width), &error);
        EXPECT_TRUE(made) << error;
        return made;
    }

    QtFontEngine m_fonts;
};

TEST_F(PainterDcText, ClippedTextStaysInsideItsClip)
{
    ImageDc dc(ImageDc::capsFor(300, 120));
    dc.selectFont(font("Courier New", -80));
    dc.setBackgroundMode(BackgroundMode::Transparent);
    const Rect clip{30, 20, 130, 70};
    ASSERT_TRUE(dc.textOut({10, 10}, "WWWWWW", clip));
    const Rect ink = inkBounds(dc.image());
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_EQ(ink.intersected(clip), ink)
        << ink.left << "," << ink.top << "," << ink.right << "," << ink.bottom;
    // Without the clip the same text reaches beyond it.
    ImageDc free(ImageDc::capsFor(300, 120));
    free.selectFont(dc.font());
    free.setBackgroundMode(BackgroundMode::Transparent);
    free.textOut({10, 10}, "WWWWWW");
    const Rect unclipped = inkBounds(free.image());
    EXPECT_LT(unclipped.left, clip.left);
    EXPECT_GT(unclipped.right, clip.right);
}

TEST_F(PainterDcText, EmptyClipDrawsNothing)
{
    ImageDc dc(ImageDc::capsFor(100, 60));
    dc.selectFont(font("Courier New", -40));
    EXPECT_TRUE(dc.textOut({0, 0}, "XX", Rect{10, 10, 10, 40}));
    EXPECT_TRUE(inkBounds(dc.image()).isEmpty());
}

TEST_F(PainterDcText, OpaqueTextFillsItsCellsWithTheBackground)
{
    ImageDc dc(ImageDc::capsFor(200, 80));
    const FontHandle f = font("Courier New", -30, 18);
    dc.selectFont(f);
    dc.setBackgroundColor({0, 0, 200});
    dc.setBackgroundMode(BackgroundMode::Opaque);
    dc.textOut({5, 7}, "   ");
    EXPECT_EQ(inkBounds(dc.image()), (Rect{5, 7, 5 + 3 * 18, 7 + f->metrics().height}));
}

TEST_F(PainterDcText, BaselineAlignmentPutsTheAscentAboveY)
{
    const FontHandle f = font("Courier New", -40);
    ImageDc top(ImageDc::capsFor(200, 120));
    top.selectFont(f);
    top.textOut({10, 50}, "H");
    ImageDc baseline(ImageDc::capsFor(200, 120));
    baseline.selectFont(f);
    baseline.setTextAlign(TextAlign::Baseline);
    baseline.textOut({10, 50 + f->metrics().ascent}, "H");
    EXPECT_EQ(picture(top.image()), picture(baseline.image()));
    EXPECT_FALSE(inkBounds(top.image()).isEmpty());
    // The H sits on the baseline: its lowest ink row is the row just above it.
    EXPECT_EQ(inkBounds(top.image()).bottom, 50 + f->metrics().ascent);
}

TEST_F(PainterDcText, OemTextDrawsTheCode437Glyphs)
{
    // 0xDB (full block) in an OEM face fills most of its cell; in an ANSI face 0xDB is 'Û'.
    const FontHandle terminal = font("Terminal", -60);
    ASSERT_EQ(terminal->codePage(), CodePage::Oem);
    ImageDc dc(ImageDc::capsFor(100, 100));
    dc.selectFont(terminal);
    dc.textOut({0, 0}, "\xDB");
    const Rect ink = inkBounds(dc.image());
    EXPECT_GE(ink.width(), terminal->charWidth(0xDB) - 2);
    EXPECT_GE(ink.height(), terminal->metrics().height * 3 / 4);
}

} // namespace
} // namespace platform::draw
