// Box-drawing characters on a 40 x 60 cell as pixels, the joins of adjacent cells, and shades.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/line_geometry.h"
#include "typestone/engine/shade_patterns.h"

#include "platform/draw/image_dc.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

using typestone::CFontMapper;
using typestone::LineGeometry;

namespace {

TEST(LineGeometry, FromTheCellSize)
{
    struct Case
    {
        int W, H;
        LineGeometry want;
    };
    const Case cases[] = {
        {40, 60, {16, 26, 15, 25, 8, 1}},
        {4, 8, {1, 3, 0, 2, 2, 1}},
        {60, 40, {26, 16, 25, 15, 8, 1}}, // the height is the smaller dimension
        {60, 120, {25, 55, 24, 54, 10, 1}},
    };
    for (const Case& c : cases) {
        LineGeometry g;
        g.compute(c.W, c.H);
        EXPECT_EQ(std::make_tuple(g.sx, g.sy, g.dx, g.dy, g.w1, g.w2),
                  std::make_tuple(c.want.sx, c.want.sy, c.want.dx, c.want.dy, c.want.w1, c.want.w2))
            << c.W << "x" << c.H;
    }
}

TEST(LineGeometry, TinyCellsClearOnlyTheWidths)
{
    LineGeometry g;
    g.compute(40, 60);
    g.compute(3, 60);
    EXPECT_EQ(g.w1, 0);
    EXPECT_EQ(g.w2, 0);
    EXPECT_EQ(g.sx, 16); // offsets of the last sound cell stay
    EXPECT_EQ(g.dy, 25);
}

// Inclusive pixel rectangles relative to the cell's top-left.
struct Span
{
    int x0, y0, x1, y1;
};
Span V(int x, int y0, int y1)
{
    return {x, y0, x, y1};
}
Span Hz(int y, int x0, int x1)
{
    return {x0, y, x1, y};
}

constexpr int kX = 40;
constexpr int kY = 60;

class BoxFixture : public ::testing::Test
{
protected:
    BoxFixture() : m_dc(platform::draw::ImageDc::capsFor(200, 200)), m_map(nullptr, 1, nullptr)
    {
        m_map.SetDc(&m_dc);
        m_map.SetDrawingCell(40, 60);
        m_map.SetLineGeometry(40, 60);
    }

    std::set<std::pair<int, int>> ink()
    {
        std::set<std::pair<int, int>> out;
        const QImage& img = m_dc.image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != 0xFFFFFFFFu)
                    out.insert({x, y});
        return out;
    }

    platform::draw::ImageDc m_dc;
    CFontMapper m_map;
};

struct RoutineCase
{
    int routine;
    std::vector<Span> spans;
};

std::vector<RoutineCase> routineCases()
{
    // W 40, H 60: single lines at sx 16, sy 26; double strokes at dx 15 / 25 and dy 25 / 35.
    return {
        {1, {V(16, 0, 59)}},
        {2, {V(16, 0, 59), Hz(26, 0, 16)}},
        {3, {V(25, 0, 59), Hz(25, 0, 14), V(15, 0, 25), Hz(35, 0, 14), V(15, 35, 59)}},
        {4, {V(15, 0, 59), V(25, 0, 59)}},
        {5, {V(15, 35, 60), Hz(35, 0, 15), V(25, 25, 60), Hz(25, 0, 25)}},
        {6, {V(15, 0, 25), Hz(25, 0, 15), V(25, 0, 35), Hz(35, 0, 25)}},
        {7, {V(16, 26, 60), Hz(26, 0, 16)}},
        {8, {V(16, 0, 26), Hz(26, 16, 39)}},
        {9, {Hz(26, 0, 39), V(16, 0, 26)}},
        {10, {Hz(26, 0, 39), V(16, 26, 59)}},
        {11, {V(16, 0, 59), Hz(26, 16, 39)}},
        {12, {Hz(26, 0, 39)}},
        {13, {V(16, 0, 59), Hz(26, 0, 39)}},
        {14, {V(15, 0, 35), Hz(35, 15, 39), V(25, 0, 25), Hz(25, 25, 39)}},
        {15, {V(15, 25, 60), Hz(25, 15, 39), V(25, 35, 60), Hz(35, 25, 39)}},
        {16, {Hz(35, 0, 39), Hz(25, 0, 14), V(15, 0, 25), Hz(25, 26, 39), V(25, 0, 25)}},
        {17, {Hz(25, 0, 39), Hz(35, 0, 14), V(15, 35, 59), Hz(35, 26, 39), V(25, 35, 59)}},
        {18, {V(15, 0, 59), V(25, 0, 25), Hz(25, 25, 39), Hz(35, 25, 39), V(25, 35, 59)}},
        {19, {Hz(25, 0, 39), Hz(35, 0, 39)}},
        {20,
         {Hz(25, 0, 14), V(15, 0, 25), Hz(25, 26, 40), V(25, 0, 25), Hz(35, 0, 14), V(15, 35, 59),
          Hz(35, 26, 40), V(25, 35, 59)}},
        {21, {V(16, 0, 26), Hz(26, 0, 16)}},
        {22, {V(16, 26, 60), Hz(26, 16, 39)}},
    };
}

TEST_F(BoxFixture, LineRoutinesDrawTheirStrokes)
{
    for (const RoutineCase& c : routineCases()) {
        m_dc.clearImage();
        m_map.DrawRoutine(c.routine, kX, kY, 1);
        std::set<std::pair<int, int>> want;
        for (const Span& s : c.spans)
            for (int y = s.y0; y <= s.y1; ++y)
                for (int x = s.x0; x <= s.x1; ++x)
                    want.insert({kX + x, kY + y});
        EXPECT_EQ(ink(), want) << "routine " << c.routine;
    }
}

TEST_F(BoxFixture, ShadesFillTheCellWithTheirShare)
{
    // The patterns are aligned to the page: rows 60..119 start at pattern row 4.
    const int want[] = {415, 600, 1200, 2400};
    for (int routine = 23; routine <= 26; ++routine) {
        m_dc.clearImage();
        m_map.DrawRoutine(routine, kX, kY, 1);
        const auto got = ink();
        EXPECT_EQ(static_cast<int>(got.size()), want[routine - 23]) << routine;
        for (const auto& p : got) {
            EXPECT_TRUE(p.first >= kX && p.first < kX + 40 && p.second >= kY && p.second < kY + 60);
        }
    }
}

TEST_F(BoxFixture, ShadeIsClippedToTheRectangle)
{
    m_map.SetClipRect(50, 70, 20, 30);
    m_map.DrawRoutine(26, kX, kY, 3);
    std::set<std::pair<int, int>> want;
    for (int y = 70; y < 100; ++y)
        for (int x = 50; x < 70; ++x)
            want.insert({x, y});
    EXPECT_EQ(ink(), want);
}

TEST_F(BoxFixture, HorizontalRunIsOneLineVerticalRunOneLinePerCell)
{
    m_dc.clearImage();
    m_map.DrawRoutine(12, 0, kY, 4); // the run of four cells in one call
    const auto got = ink();
    EXPECT_EQ(got.size(), 160u);
    EXPECT_TRUE(got.count({0, kY + 26}) && got.count({159, kY + 26}));
}

TEST_F(BoxFixture, DoubleFrameCornersJoin)
{
    // ╔══╗ over ╚══╝: both strokes of the top edge run unbroken from corner to corner, and the
    // verticals of the corners meet the bottom row's.
    m_dc.reset(platform::draw::ImageDc::capsFor(200, 200));
    const uint8_t top[] = {201, 205, 205, 187};
    const uint8_t bottom[] = {200, 205, 205, 188};
    m_map.EnableBoxDrawing(true);
    m_map.TextOut_Mapper(0, 0, top, 4);
    m_map.TextOut_Mapper(0, 60, bottom, 4);
    const auto got = ink();
    for (int x = 15; x <= 160 - 15; ++x) {
        EXPECT_TRUE(got.count({x, 25})) << "outer top stroke at " << x;
    }
    for (int x = 25; x <= 160 - 25; ++x) {
        EXPECT_TRUE(got.count({x, 35})) << "inner top stroke at " << x;
    }
    for (int y = 25; y <= 120 - 25; ++y) {
        EXPECT_TRUE(got.count({15, y})) << "left outer stroke at " << y;
        EXPECT_TRUE(got.count({160 - 15, y})) << "right outer stroke at " << y;
    }
    EXPECT_FALSE(got.count({10, 25})); // nothing outside the frame
}

TEST(ShadePatterns, BrushRowsAreTheBitmapsTurnedAndInverted)
{
    const int ink[] = {11, 16, 32, 64};
    for (int p = 0; p < typestone::kShadePatterns; ++p) {
        int n = 0;
        for (uint8_t row : typestone::shadeBrushPattern(p))
            n += __builtin_popcount(row);
        EXPECT_EQ(n, ink[p]) << p;
    }
    // Light shade: the stored bottom row 0x55 is the brush's top-row-last, inverted.
    EXPECT_EQ(typestone::shadeBrushPattern(0)[7], 0xAA);
}

} // namespace
