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

// The number of separate 4-connected shapes of ink within the cell at (cx, cy).
int components(const std::set<std::pair<int, int>>& ink, int cx, int cy, int W, int H)
{
    std::set<std::pair<int, int>> left;
    for (const auto& p : ink)
        if (p.first >= cx && p.first < cx + W && p.second >= cy && p.second < cy + H)
            left.insert(p);
    int count = 0;
    while (!left.empty()) {
        ++count;
        std::vector<std::pair<int, int>> todo{*left.begin()};
        left.erase(left.begin());
        while (!todo.empty()) {
            const auto [x, y] = todo.back();
            todo.pop_back();
            for (const auto& n :
                 {std::pair{x + 1, y}, std::pair{x - 1, y}, std::pair{x, y + 1}, std::pair{x, y - 1}})
                if (left.erase(n))
                    todo.push_back(n);
        }
    }
    return count;
}

TEST_F(BoxFixture, MixedJunctionsJoinTheirNeighbours)
{
    // Every junction of single and double lines on one page, each in the middle of a 3 x 3
    // block whose other cells carry the plain line its arms continue into. At each edge of the
    // junction's cell the ink must lie exactly where the neighbour's ink lies across the edge,
    // and nowhere on an edge without an arm.
    struct Case
    {
        uint8_t byte;
        bool up, down, left, right, verticalDouble;
        int strokes; // separate strokes inside the cell
    };
    const Case cases[] = {
        {181, true, true, true, false, false, 1},  {182, true, true, true, false, true, 2},
        {183, false, true, true, false, true, 1},  {184, false, true, true, false, false, 1},
        {189, true, false, true, false, true, 1},  {190, true, false, true, false, false, 1},
        {198, true, true, false, true, false, 1},  {199, true, true, false, true, true, 2},
        {207, true, false, true, true, false, 2},  {208, true, false, true, true, true, 1},
        {209, false, true, true, true, false, 2},  {210, false, true, true, true, true, 1},
        {211, true, false, false, true, true, 1},  {212, true, false, false, true, false, 1},
        {213, false, true, false, true, false, 1}, {214, false, true, false, true, true, 1},
        {215, true, true, true, true, true, 1},    {216, true, true, true, true, false, 1},
    };
    constexpr int W = 40;
    constexpr int H = 60;
    constexpr int kPerRow = 6;
    m_dc.reset(platform::draw::ImageDc::capsFor(kPerRow * 3 * W, 3 * 3 * H));
    m_map.EnableBoxDrawing(true);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const int bx = static_cast<int>(i % kPerRow) * 3 * W;
        const int by = static_cast<int>(i / kPerRow) * 3 * H;
        const uint8_t vertical = c.verticalDouble ? 186 : 179;
        const uint8_t horizontal = c.verticalDouble ? 196 : 205;
        const uint8_t top[] = {' ', c.up ? vertical : uint8_t{' '}, ' '};
        const uint8_t middle[] = {c.left ? horizontal : uint8_t{' '}, c.byte,
                                  c.right ? horizontal : uint8_t{' '}};
        const uint8_t bottom[] = {' ', c.down ? vertical : uint8_t{' '}, ' '};
        m_map.TextOut_Mapper(bx, by, top, 3);
        m_map.TextOut_Mapper(bx, by + H, middle, 3);
        m_map.TextOut_Mapper(bx, by + 2 * H, bottom, 3);
    }
    const auto got = ink();
    const auto column = [&](int x, int y0) {
        std::set<int> rows;
        for (int y = 0; y < H; ++y)
            if (got.count({x, y0 + y}))
                rows.insert(y);
        return rows;
    };
    const auto row = [&](int y, int x0) {
        std::set<int> cols;
        for (int x = 0; x < W; ++x)
            if (got.count({x0 + x, y}))
                cols.insert(x);
        return cols;
    };
    // W 40, H 60: single lines at sx 16, sy 26; double strokes at dx 15 / 25 and dy 25 / 35.
    const std::set<int> singleRow{26}, doubleRows{25, 35}, singleCol{16}, doubleCols{15, 25}, none;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const int cx = static_cast<int>(i % kPerRow) * 3 * W + W;
        const int cy = static_cast<int>(i / kPerRow) * 3 * H + H;
        const std::set<int>& across = c.verticalDouble ? singleRow : doubleRows;
        const std::set<int>& along = c.verticalDouble ? doubleCols : singleCol;
        SCOPED_TRACE(testing::Message() << "byte " << int{c.byte});
        EXPECT_EQ(column(cx, cy), c.left ? across : none) << "left edge";
        EXPECT_EQ(column(cx - 1, cy), column(cx, cy)) << "left join";
        EXPECT_EQ(column(cx + W - 1, cy), c.right ? across : none) << "right edge";
        EXPECT_EQ(column(cx + W, cy), column(cx + W - 1, cy)) << "right join";
        EXPECT_EQ(row(cy, cx), c.up ? along : none) << "top edge";
        EXPECT_EQ(row(cy - 1, cx), row(cy, cx)) << "top join";
        EXPECT_EQ(row(cy + H - 1, cx), c.down ? along : none) << "bottom edge";
        EXPECT_EQ(row(cy + H, cx), row(cy + H - 1, cx)) << "bottom join";
        EXPECT_EQ(components(got, cx, cy, W, H), c.strokes) << "strokes meet inside the cell";
    }
}

TEST_F(BoxFixture, HalfBlocksFillTheirHalfOfTheCell)
{
    struct Case
    {
        uint8_t byte;
        Span area; // inclusive, relative to the cell
    };
    const Case cases[] = {
        {220, {0, 30, 39, 59}}, // ▄
        {221, {0, 0, 19, 59}},  // ▌
        {222, {20, 0, 39, 59}}, // ▐
        {223, {0, 0, 39, 29}},  // ▀
    };
    m_map.EnableBoxDrawing(true);
    for (const Case& c : cases) {
        m_dc.clearImage();
        const uint8_t bytes[] = {c.byte, c.byte};
        m_map.TextOut_Mapper(kX, kY, bytes, 2);
        std::set<std::pair<int, int>> want;
        for (int cell = 0; cell < 2; ++cell)
            for (int y = c.area.y0; y <= c.area.y1; ++y)
                for (int x = c.area.x0; x <= c.area.x1; ++x)
                    want.insert({kX + cell * 40 + x, kY + y});
        EXPECT_EQ(ink(), want) << int{c.byte};
    }
    // ▀ over ▄ and ▌ beside ▐ fill their cells like █, with no gap and no overlap outside.
    m_dc.clearImage();
    const uint8_t halves[] = {223, 221, 222};
    const uint8_t lower[] = {220};
    m_map.TextOut_Mapper(kX, kY, halves, 1);
    m_map.TextOut_Mapper(kX, kY, lower, 1);
    m_map.TextOut_Mapper(kX + 40, kY, halves + 1, 1);
    m_map.TextOut_Mapper(kX + 40, kY, halves + 2, 1);
    EXPECT_EQ(ink().size(), 2u * 40 * 60);
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
