// The font mapper with its text formatter: text goes through the formatter only once a command
// asked for layout; then carriage returns end its lines, box characters are drawn only in
// left-aligned text and sit where the formatter's line ended, and colours reach its runs.

#include "typestone/engine/char_classes.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/text_formatter.h"

#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace typestone;

namespace {

struct Mapper
{
    explicit Mapper(int deviceFlag = 1) : dc(caps()), map(nullptr, deviceFlag, &fonts)
    {
        map.SetDc(&dc);
        map.SetGridFont(0, 80, 60);
        map.PageStart();
        dc.clear();
    }
    static platform::draw::DeviceCaps caps()
    {
        platform::draw::DeviceCaps c;
        c.width = c.physicalWidth = 800;
        c.height = c.physicalHeight = 600;
        return c;
    }
    void out(const std::string& s) { map.TextOut(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
    std::vector<std::string> lines(const char* prefix) const
    {
        std::vector<std::string> v;
        for (const auto& l : dc.lines())
            if (l.rfind(prefix, 0) == 0)
                v.push_back(l);
        return v;
    }

    platform::draw::FakeFontEngine fonts;
    platform::draw::RecordingDc dc;
    CFontMapper map;
};

TEST(MapperLayout, TheMapperOwnsItsFormatter)
{
    Mapper m;
    ASSERT_NE(m.map.TextFormatter(), nullptr);
    EXPECT_EQ(m.map.Layout(), m.map.TextFormatter());
    EXPECT_FALSE(m.map.Formatting()) << "nothing asked for layout yet";
    Mapper screen(0);
    EXPECT_EQ(screen.map.TextFormatter(), nullptr);
    EXPECT_EQ(screen.map.Layout(), nullptr);
}

TEST(MapperLayout, PlainTextPrintsAsBefore)
{
    Mapper m;
    m.out("abc");
    EXPECT_EQ(m.lines("text ").size(), 1u) << "drawn at once, no formatter";
    EXPECT_FALSE(m.map.CarriageReturn()) << "the grid does not move down by itself";
}

TEST(MapperLayout, CentredLineEndsAtTheCarriageReturn)
{
    Mapper m;
    const int cw = m.map.CellWidth();
    ASSERT_GT(cw, 0);
    m.map.Layout()->SetAlign(kAlignCentered, &m.dc);
    EXPECT_TRUE(m.map.Formatting());
    EXPECT_FALSE(m.map.Classes()[196] & kClassActive) << "no box drawing in centred text";
    m.out("abcd");
    EXPECT_TRUE(m.lines("text ").empty()) << "the line is still open";
    EXPECT_TRUE(m.map.CarriageReturn());
    const auto texts = m.lines("text ");
    ASSERT_EQ(texts.size(), 1u) << m.dc.text();
    const int x = (800 - 4 * cw) / 2;
    EXPECT_EQ(texts[0].rfind("text " + std::to_string(x) + ",", 0), 0u) << texts[0];
    EXPECT_FALSE(m.map.CarriageReturn()) << "nothing left to end";

    m.map.Layout()->SetAlign(kAlignLeft, &m.dc);
    EXPECT_TRUE(m.map.Classes()[196] & kClassActive);
}

TEST(MapperLayout, BoxCharactersPrintAsCharactersUnlessLeftAligned)
{
    Mapper m;
    m.map.Layout()->SetAlign(kAlignRight, &m.dc);
    m.out(std::string("a\xC4"
                      "b"));
    m.map.CarriageReturn();
    EXPECT_TRUE(m.lines("lineto").empty()) << m.dc.text();
    ASSERT_EQ(m.lines("text ").size(), 1u) << m.dc.text();
}

TEST(MapperLayout, BoxCharactersGoWhereTheFormattersLineEnded)
{
    Mapper m;
    const int cw = m.map.CellWidth();
    const uint32_t options = kRectChained | kRectPageSelection | kRectEvenPages | kRectOddPages;
    ASSERT_EQ(m.map.Layout()->DefineRect(&m.dc, platform::draw::Rect{100, 100, 700, 500}, 1, 0, 0, options),
              1);
    ASSERT_EQ(m.map.Layout()->SelectRect(1, &m.dc, false), 1);
    m.out(std::string("ab\xC4"
                      "cd"));
    m.map.PageEnd();
    const auto texts = m.lines("text ");
    ASSERT_EQ(texts.size(), 2u) << m.dc.text();
    EXPECT_EQ(texts[0].rfind("text 100,", 0), 0u) << texts[0];
    EXPECT_EQ(texts[1].rfind("text " + std::to_string(100 + 3 * cw) + ",", 0), 0u) << texts[1];
    // The horizontal line of the box character lies in the third cell.
    const auto moves = m.lines("moveto");
    ASSERT_FALSE(moves.empty()) << m.dc.text();
    const int moveX = std::stoi(moves.front().substr(7));
    EXPECT_GE(moveX, 100 + 2 * cw);
    EXPECT_LT(moveX, 100 + 3 * cw);
}

TEST(MapperLayout, ColoursReachTheFormattersRuns)
{
    Mapper m;
    m.map.Layout()->SetAlign(kAlignCentered, &m.dc);
    m.map.SetTextColor(0x0000FF);
    m.out("x");
    m.dc.clear();
    m.map.CarriageReturn();
    const auto colours = m.lines("textcolor");
    ASSERT_FALSE(colours.empty()) << m.dc.text();
    EXPECT_EQ(colours.back(), "textcolor #ff0000");
}

TEST(MapperLayout, DownOneLineFollowsTheFormatterAndEndsThePage)
{
    Mapper m;
    m.map.Layout()->SetAlign(kAlignCentered, &m.dc);
    int x = 0;
    int row = 0;
    int downs = 0;
    while (m.map.DownOneLine(&x, &row) && downs < 1000)
        ++downs;
    EXPECT_GT(downs, 10);
    EXPECT_LT(downs, 1000) << "the page ends";
}

} // namespace
