// The text formatter with a recording Dc and a monospace fake font (10-pixel advance, 20
// pixels high): wrapping, alignment, justification, clipping, chained rectangles, table rows,
// sub- and superscripts, rotation, and the decoration of rectangles at a page start.

#include "typestone/engine/text_formatter.h"

#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace typestone;
using platform::draw::LogFont;
using platform::draw::RecordingDc;
using platform::draw::Rect;

namespace {

// The mapper's side: a wrapped line moves down one line, a table field is printed as text.
class Host : public FormatterHost
{
public:
    void FmtEndLine() override
    {
        calls.push_back("endline");
        formatter->NewLine(dc, 20, nullptr);
    }
    void FmtDown() override
    {
        calls.push_back("down");
        formatter->FlushLine(dc, true);
        formatter->NewLine(dc, 20, nullptr);
    }
    void FmtPrintData(std::string_view bytes) override
    {
        calls.push_back("data '" + std::string(bytes) + "'");
        formatter->FormText2Line(dc, bytes);
    }
    void FmtSetBkMode(int mode) override { calls.push_back("bkmode " + std::to_string(mode)); }
    void EnableBoxDrawing(bool on) override { boxDrawing = on; }
    bool Cancelled() const override { return cancelled; }

    CTextFormatter* formatter = nullptr;
    platform::draw::Dc* dc = nullptr;
    std::vector<std::string> calls;
    bool boxDrawing = true;
    bool cancelled = false;
};

LogFont Mono()
{
    return platform::draw::makeLogFont("Courier New", -20, 10);
}

struct Fixture
{
    explicit Fixture(int width = 100, int height = 200) : dc(caps(width, height)), formatter(&host, &engine)
    {
        host.formatter = &formatter;
        host.dc = &dc;
        dc.setTextAlign(platform::draw::TextAlign::Baseline);
        formatter.SetFont(Mono());
        formatter.NewPage(&dc, 1);
        dc.clear();
    }
    static platform::draw::DeviceCaps caps(int width, int height)
    {
        platform::draw::DeviceCaps c;
        c.width = width;
        c.height = height;
        return c;
    }
    // The text lines drawn, without the clip rectangle: "X,Y 'TEXT'" plus any justification.
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (std::string line : dc.lines()) {
            if (line.rfind("text ", 0) != 0)
                continue;
            line.erase(0, 5);
            const size_t clip = line.find(" clip=");
            if (clip != std::string::npos) {
                const size_t end = line.find(' ', clip + 1);
                line.erase(clip, end == std::string::npos ? std::string::npos : end - clip);
            }
            out.push_back(line);
        }
        return out;
    }

    platform::draw::FakeFontEngine engine;
    RecordingDc dc;
    Host host;
    CTextFormatter formatter;
};

TEST(TextFormatterWrap, Table)
{
    struct Case
    {
        const char* name;
        uint16_t align;
        std::vector<std::string> pieces;
        std::vector<std::string> want;
    };
    // The area is 100 pixels wide: ten characters.
    const Case cases[] = {
        {"word longer than the line, on an empty line",
         kAlignLeft,
         {"abcdefghijklmno"},
         {"0,20 'abcdefghij'", "0,40 'klmno'"}},
        {"long word after other words goes whole",
         kAlignLeft,
         {"ab cdefghijklmnop"},
         {"0,20 'ab'", "0,40 'cdefghijkl'", "0,60 'mnop'"}},
        {"first word wider than the line, then a blank",
         kAlignLeft,
         {"abcdefghijklm no"},
         {"0,20 'abcdefghij'", "0,40 'klm no'"}},
        {"exact fit", kAlignLeft, {"0123456789"}, {"0,20 '0123456789'"}},
        {"words wrap at blanks, leading blanks dropped",
         kAlignLeft,
         {"aaa bbb ccc ddd"},
         {"0,20 'aaa bbb'", "0,40 'ccc ddd'"}},
        {"pieces make one line",
         kAlignLeft,
         {"aaa ", "bbb c", "cc ddd"},
         {"0,20 'aaa bbb'", "0,40 'ccc ddd'"}},
        {"blanks at a break, whole", kAlignLeft, {"aaa bbbbbb   ccc"}, {"0,20 'aaa bbbbbb'", "0,40 'ccc'"}},
        {"blanks at a break, in the next pieces",
         kAlignLeft,
         {"aaa bbbbbb ", " ", " ccc"},
         {"0,20 'aaa bbbbbb'", "0,40 'ccc'"}},
        {"clip drops the tail", kAlignClip, {"abcdefghijklmno"}, {"0,20 'abcdefghij'"}},
        {"clip keeps a line that fits", kAlignClip, {"abc"}, {"0,20 'abc'"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.formatter.SetAlign(c.align, &f.dc);
        for (const auto& piece : c.pieces)
            EXPECT_EQ(f.formatter.FormText2Line(&f.dc, piece), 1) << c.name;
        f.formatter.FlushLine(&f.dc, true);
        EXPECT_EQ(f.texts(), c.want) << c.name << "\n" << f.dc.text();
        // Nothing is left over for the next line.
        f.dc.clear();
        f.formatter.NewLine(&f.dc, 20, nullptr);
        f.formatter.FlushLine(&f.dc, true);
        EXPECT_TRUE(f.texts().empty()) << c.name;
    }
}

// Blanks that follow a wrap belong to the break only until the line is ended otherwise: after
// an explicit new line they are the next line's own.
TEST(TextFormatterWrap, BlanksAfterAnExplicitNewLineAreKept)
{
    Fixture f;
    f.formatter.FormText2Line(&f.dc, "aaa bbbbbb ");
    f.formatter.FlushLine(&f.dc, true);
    f.formatter.NewLine(&f.dc, 20, nullptr);
    f.formatter.FormText2Line(&f.dc, "  cc");
    f.formatter.FlushLine(&f.dc, true);
    EXPECT_EQ(f.texts(), (std::vector<std::string>{"0,20 'aaa bbbbbb'", "0,60 '  cc'"})) << f.dc.text();
}

TEST(TextFormatterWrap, LongLineWrapsInALoopAndStopsWhenCancelled)
{
    Fixture f(100, 1000000);
    f.formatter.FormText2Line(&f.dc, std::string(20000, 'x'));
    f.formatter.FlushLine(&f.dc, true);
    EXPECT_EQ(f.texts().size(), 2000u);
    EXPECT_EQ(f.texts().back(), "0,40000 'xxxxxxxxxx'");

    Fixture g;
    g.host.cancelled = true;
    g.formatter.FormText2Line(&g.dc, std::string(20000, 'x'));
    EXPECT_TRUE(g.texts().empty()) << "a cancelled job stops wrapping";
}

TEST(TextFormatterAlign, EachAlignment)
{
    struct Case
    {
        uint16_t align;
        int width;
        bool last;
        std::vector<std::string> want;
        bool boxDrawing;
        int x = 0;
    };
    const Case cases[] = {
        {kAlignLeft, 100, true, {"0,20 'ab cd'"}, true},
        {kAlignCentered, 100, true, {"25,20 'ab cd'"}, false},
        {kAlignCentered, 57, true, {"3,20 'ab cd'"}, false}, // an extra of 7 shifts by 3
        {kAlignRight, 100, true, {"50,20 'ab cd'"}, false},
        {kAlignJustified, 100, true, {"0,20 'ab cd'"}, false}, // a last line stays left
        {kAlignJustified | kAlignClip, 100, true, {"0,20 'ab cd'"}, false},
        // The line's own start counts: the free room is what it leaves of the width, so a
        // right-aligned line still ends at the right edge and a centred one sits in the room.
        {kAlignLeft, 100, true, {"20,20 'ab cd'"}, true, 20},
        {kAlignRight, 100, true, {"50,20 'ab cd'"}, false, 20},
        {kAlignCentered, 100, true, {"35,20 'ab cd'"}, false, 20},
    };
    for (const Case& c : cases) {
        Fixture f(c.width);
        f.formatter.SetAlign(c.align, &f.dc);
        EXPECT_EQ(f.host.boxDrawing, c.boxDrawing) << c.align;
        f.formatter.SetX(&f.dc, c.x);
        f.formatter.FormText2Line(&f.dc, "ab cd");
        f.formatter.FlushLine(&f.dc, c.last);
        EXPECT_EQ(f.texts(), c.want) << c.align << " " << c.width;
    }
}

TEST(TextFormatterAlign, JustifiedOverThreeBlanks)
{
    struct Case
    {
        int width;
        std::vector<std::string> want;
    };
    // "a b c d" is 70 pixels: the rest of the width goes to its three blanks, the remainder
    // one pixel each to the first ones; the last line of the paragraph stays left.
    const Case cases[] = {
        {100, {"0,20 'a b c d' extra=10,10,10", "0,40 'eeeee'"}},
        {101, {"0,20 'a b c d' extra=11,10,10", "0,40 'eeeee'"}},
        {102, {"0,20 'a b c d' extra=11,11,10", "0,40 'eeeee'"}},
    };
    for (const Case& c : cases) {
        Fixture f(c.width);
        f.formatter.SetAlign(kAlignJustified | kAlignClip, &f.dc); // CLIP does not combine
        f.formatter.FormText2Line(&f.dc, "a b c d eeeee");
        f.formatter.FlushLine(&f.dc, true);
        EXPECT_EQ(f.texts(), c.want) << c.width << "\n" << f.dc.text();
    }
    // A line without blanks is not stretched.
    Fixture g;
    g.formatter.SetAlign(kAlignJustified, &g.dc);
    g.formatter.FormText2Line(&g.dc, "abcdefghijkl");
    g.formatter.FlushLine(&g.dc, true);
    EXPECT_EQ(g.texts(), (std::vector<std::string>{"0,20 'abcdefghij'", "0,40 'kl'"}));
}

TEST(TextFormatterAlign, FirstLineMarginIndentsOnlyTheFirstLine)
{
    struct Case
    {
        const char* name;
        int x;
        int margin;
        std::vector<std::string> pieces;
        std::vector<std::string> want;
    };
    // A justified paragraph whose first line starts after a margin: that line is indented and
    // still ends at the right edge; the next ones start at the paragraph's x.
    const Case cases[] = {
        {"wrapped paragraph",
         0,
         30,
         {"aaa bbb ccc ddd eee"},
         {"30,20 'aaa bbb'", "0,40 'ccc ddd' extra=30", "0,60 'eee'"}},
        {"in pieces (a run drawn after the stretched one starts past its extra room)",
         0,
         30,
         {"aaa b", "bb ccc ", "ddd eee"},
         {"30,20 'aaa bbb'", "0,40 'ccc ' extra=30", "70,40 'ddd'", "0,60 'eee'"}},
        {"paragraph at an x", 10, 20, {"aa bb cc dd"}, {"30,20 'aa bb' extra=20", "10,40 'cc dd'"}},
        {"one line only", 0, 30, {"aaa"}, {"30,20 'aaa'"}},
        {"margin wider than the area", 0, 100000, {"aaa bbb"}, {"0,20 'aaa bbb'"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.formatter.SetAlign(kAlignJustified, &f.dc);
        f.formatter.SetX(&f.dc, c.x);
        f.formatter.SetLeftMargin(c.margin);
        for (const std::string& piece : c.pieces)
            f.formatter.FormText2Line(&f.dc, piece);
        f.formatter.FlushLine(&f.dc, true);
        EXPECT_EQ(f.texts(), c.want) << c.name << "\n" << f.dc.text();
    }
    // The margin was the first line's: the next paragraph, without one, starts at its x.
    Fixture g;
    g.formatter.SetAlign(kAlignJustified, &g.dc);
    g.formatter.SetLeftMargin(30);
    g.formatter.FormText2Line(&g.dc, "aaa");
    g.formatter.FlushLine(&g.dc, true);
    g.formatter.NewLine(&g.dc, 20, nullptr);
    g.formatter.FormText2Line(&g.dc, "bbb");
    g.formatter.FlushLine(&g.dc, true);
    EXPECT_EQ(g.texts(), (std::vector<std::string>{"30,20 'aaa'", "0,40 'bbb'"})) << g.dc.text();
}

TEST(TextFormatterRects, ChainedOverflowAndNewPage)
{
    Fixture f(300, 300);
    const uint32_t chained = kRectChained | kRectPageSelection | kRectEvenPages | kRectOddPages;
    ASSERT_EQ(f.formatter.DefineRect(&f.dc, Rect{0, 0, 100, 40}, 1, 0, 0, chained), 1);
    ASSERT_EQ(f.formatter.DefineRect(&f.dc, Rect{150, 100, 250, 140}, 2, 0, 0, chained), 1);
    ASSERT_EQ(f.formatter.SelectRect(1, &f.dc, false), 1);
    // Two lines fill a rectangle of 40 pixels; the third goes on in rectangle 2.
    f.formatter.FormText2Line(&f.dc, "aaaaaaaaaabbbbbbbbbbcccccccccc");
    f.formatter.FlushLine(&f.dc, true);
    EXPECT_EQ(f.texts(),
              (std::vector<std::string>{"0,20 'aaaaaaaaaa'", "0,40 'bbbbbbbbbb'", "150,120 'cccccccccc'"}))
        << f.dc.text();
    EXPECT_EQ(f.formatter.CurrentRect()->Index(), 2);
    int y = -1;
    EXPECT_EQ(f.formatter.NewLine(&f.dc, 20, &y), 1);
    // Rectangle 2 is full and none follows: rectangle 1 serves the next page, so a new page
    // is needed.
    EXPECT_EQ(f.formatter.NewLine(&f.dc, 20, &y), 0);

    // When no page-selected rectangle serves the next page the text goes on below the area.
    Fixture g(300, 300);
    ASSERT_EQ(g.formatter.DefineRect(&g.dc, Rect{0, 0, 100, 40}, 1, 1, 1, chained), 1);
    ASSERT_EQ(g.formatter.SelectRect(1, &g.dc, false), 1);
    g.formatter.FormText2Line(&g.dc, "a");
    EXPECT_EQ(g.formatter.NewLine(&g.dc, 20, &y), 1);
    EXPECT_EQ(g.formatter.NewLine(&g.dc, 20, &y), 1);
    EXPECT_GE(y, 40);
}

TEST(TextFormatterRects, UnchainedRectangleCutsBelowAndDefaultNeedsANewPage)
{
    Fixture f(300, 300);
    ASSERT_EQ(f.formatter.DefineRect(&f.dc, Rect{0, 0, 100, 40}, 1, 0, 0, kRectPageSelection | kRectOddPages),
              1);
    ASSERT_EQ(f.formatter.SelectRect(1, &f.dc, false), 1);
    int y = 0;
    f.formatter.FormText2Line(&f.dc, "a");
    EXPECT_EQ(f.formatter.NewLine(&f.dc, 20, &y), 1);
    EXPECT_EQ(y, 20);
    EXPECT_EQ(f.formatter.NewLine(&f.dc, 20, &y), 1);
    EXPECT_EQ(y, 2 * 20 + 40) << "below the area: the line is cut";

    // The page itself: the default area of 60 pixels holds three lines of 20.
    Fixture g(100, 60);
    EXPECT_EQ(g.formatter.NewLine(&g.dc, 20, &y), 1);
    EXPECT_EQ(g.formatter.NewLine(&g.dc, 20, &y), 1);
    EXPECT_EQ(y, 40);
    EXPECT_EQ(g.formatter.NewLine(&g.dc, 20, &y), 0);
}

TEST(TextFormatterRects, FrameThenFillAtEachPageStartAndRulesKeepTheFrameColour)
{
    Fixture f(300, 300);
    const uint32_t options = kRectPageSelection | kRectEvenPages | kRectOddPages | kRectRule;
    f.formatter.SetTextColor(0x0000FF);
    ASSERT_EQ(f.formatter.DefineRect(&f.dc, Rect{10, 10, 110, 60}, 1, 0, 0, options), 1);
    ASSERT_EQ(f.formatter.SelectRect(1, &f.dc, false), 1);
    f.formatter.SetAlignWord(kAlignFrame | 0xC0);
    f.formatter.DrawFrame(&f.dc); // red frame
    f.formatter.SetBkColor(0x00FF00);
    f.formatter.FillArea(&f.dc, 0xC0); // green fill
    f.formatter.FormText2Line(&f.dc, "abc");
    f.formatter.FlushLine(&f.dc, true); // a rule under the line
    f.dc.clear();
    f.formatter.NewPage(&f.dc, 1);
    const std::vector<std::string> want = {
        "pen solid 2 #ff0000", "moveto 8,8", "lineto 8,62", "lineto 112,62", "lineto 112,8", "lineto 8,8",
    };
    ASSERT_GE(f.dc.lines().size(), want.size() + 2) << f.dc.text();
    EXPECT_EQ(std::vector<std::string>(f.dc.lines().begin(), f.dc.lines().begin() + 6), want) << f.dc.text();
    EXPECT_EQ(f.dc.lines()[7], "fill 10,10,110,60 solid #00ff00") << f.dc.text();
    // The position went back to the top left.
    f.dc.clear();
    f.formatter.FormText2Line(&f.dc, "x");
    f.formatter.FlushLine(&f.dc, true);
    EXPECT_EQ(f.texts(), (std::vector<std::string>{"10,30 'x'"})) << f.dc.text();
}

TEST(TextFormatterTables, FieldsGoToTheCellsOfTheRow)
{
    Fixture f(400, 300);
    const uint32_t cell = kRectTableCell | kRectPageSelection | kRectEvenPages | kRectOddPages;
    for (int n = 1; n <= 3; ++n)
        ASSERT_EQ(f.formatter.DefineRect(&f.dc, Rect{(n - 1) * 100, 0, n * 100, 200}, n, 0, 0, cell), 1);
    ASSERT_EQ(f.formatter.SelectRect(1, &f.dc, false), 1);
    f.formatter.PrintTextInRects(&f.dc, " one ;two;  three  ", ';');
    f.formatter.PrintTextInRects(&f.dc, "4", ';');
    f.formatter.FlushAll(&f.dc);
    EXPECT_EQ(f.texts(),
              (std::vector<std::string>{"0,20 'one'", "100,20 'two'", "200,20 'three'", "0,40 '4'"}))
        << f.dc.text();
    const std::vector<std::string> want = {"data 'one'", "data 'two'", "data 'three'", "down",
                                           "down",       "down",       "data '4'",     "data ''",
                                           "data ''",    "down",       "down",         "down"};
    EXPECT_EQ(f.host.calls, want);
    EXPECT_EQ(f.formatter.CurrentRect()->Index(), 1);
}

TEST(TextFormatterEffects, ScriptsAndRotation)
{
    Fixture f(300, 300);
    LogFont big = Mono();
    big.height = -36;
    big.width = 12;
    f.formatter.SetFont(big);
    f.formatter.FormText2Line(&f.dc, "A");
    f.formatter.SetEffect(kEffectSuperscript, &f.dc);
    f.formatter.FormText2Line(&f.dc, "2");
    f.formatter.SetEffect(kEffectSubscript, &f.dc);
    f.formatter.FormText2Line(&f.dc, "i");
    f.formatter.FlushLine(&f.dc, true);
    // "A" 12 wide; the script runs move by half the full width and up a sixth / down a third
    // of the character height; each advances by its smaller width (8).
    EXPECT_EQ(f.texts(), (std::vector<std::string>{"0,36 'A'", "18,30 '2'", "26,48 'i'"})) << f.dc.text();

    Fixture g(300, 300);
    g.formatter.SetY(nullptr, 150);
    g.formatter.SetRotation(90);
    g.formatter.FormText2Line(&g.dc, "0123456789");
    g.formatter.SetRotation(0);
    g.formatter.FormText2Line(&g.dc, "x");
    g.formatter.FlushLine(&g.dc, true);
    // The turned run is 100 long: its line is 120 high (the rise and the font's height), and
    // it is drawn the ascent (16) right of its start so that its glyphs lie right of it. The
    // next text starts 100 higher, at the same x.
    EXPECT_EQ(g.texts(), (std::vector<std::string>{"16,270 '0123456789'", "0,170 'x'"})) << g.dc.text();
    EXPECT_NE(g.dc.text().find("esc=900"), std::string::npos) << g.dc.text();
}

TEST(TextFormatterEffects, AfterAnItalicRunTheFirstCharacterIsDrawnAloneWithoutItsBox)
{
    struct Case
    {
        const char* name;
        bool italic;
        uint32_t background;
        std::vector<std::string> want; // the texts, each with the background mode it was drawn in
    };
    const Case cases[] = {
        {"after italic, on white: the first cell alone and transparent, the rest one cell on",
         true,
         0xFFFFFF,
         {"opaque 0,20 'ab'", "transparent 20,20 'c'", "opaque 30,20 'de'"}},
        {"after upright text: one piece", false, 0xFFFFFF, {"opaque 0,20 'ab'", "opaque 20,20 'cde'"}},
        {"on a coloured background: one piece", true, 0x00FFFF, {"opaque 0,20 'ab'", "opaque 20,20 'cde'"}},
    };
    for (const Case& c : cases) {
        Fixture f(300, 100);
        f.dc.setBackgroundMode(platform::draw::BackgroundMode::Opaque);
        LogFont slanted = Mono();
        slanted.italic = c.italic ? 1 : 0;
        f.formatter.SetFont(slanted);
        f.formatter.FormText2Line(&f.dc, "ab");
        LogFont upright = Mono();
        upright.weight = 700; // another font, so another run
        f.formatter.SetFont(upright);
        f.formatter.SetBkColor(c.background);
        f.formatter.FormText2Line(&f.dc, "cde");
        f.formatter.FlushLine(&f.dc, true);
        std::vector<std::string> got;
        std::string mode = "opaque";
        for (const std::string& line : f.dc.lines()) {
            if (line.rfind("bkmode ", 0) == 0)
                mode = line.substr(7);
            else if (line.rfind("text ", 0) == 0)
                got.push_back(mode + " " + line.substr(5, line.find(" clip=") - 5));
        }
        EXPECT_EQ(got, c.want) << c.name << "\n" << f.dc.text();
    }
}

// The escapement of the font each text line was drawn with, as "esc X,Y 'TEXT'".
std::vector<std::string> turnedTexts(const RecordingDc& dc)
{
    std::vector<std::string> out;
    std::string esc = "?";
    for (const std::string& line : dc.lines()) {
        if (line.rfind("font ", 0) == 0) {
            const size_t at = line.rfind(" esc=");
            esc = at == std::string::npos ? "?" : line.substr(at + 5);
        } else if (line.rfind("text ", 0) == 0) {
            out.push_back(esc + " " + line.substr(5, line.find(" clip=") - 5));
        }
    }
    return out;
}

TEST(TextFormatterEffects, TurnedLineStaysInsideItsAreaAndItsOwnLine)
{
    struct Case
    {
        const char* name;
        bool lineAbove; // a line of text before the turned one
        int x;
        std::vector<std::string> pieces; // the turned run, as it comes in
        std::vector<std::string> want;
    };
    // The area is (50, 20) - (250, 300). The turned run (100 long, ascent 16) reads upwards
    // from its line's baseline; its glyph cells span x .. x + 20 and baseline - 100 .. baseline.
    const Case cases[] = {
        {"at the area's left edge, below a line: nothing left of the edge, nothing over the line",
         true,
         0,
         {"0123456789"},
         {"0 50,40 'Left'", "900 66,160 '0123456789'", "0 50,60 'x'"}},
        {"at the top of the area, started inside it",
         false,
         30,
         {"0123456789"},
         {"900 96,140 '0123456789'", "0 80,40 'x'"}},
        {"the run in three pieces: its line as tall as for the whole run",
         true,
         0,
         {"012", "3", "456789"},
         {"0 50,40 'Left'", "900 66,160 '0123456789'", "0 50,60 'x'"}},
    };
    for (const Case& c : cases) {
        Fixture f(300, 400);
        ASSERT_EQ(f.formatter.DefineRect(&f.dc, Rect{50, 20, 250, 300}, 1, 0, 0,
                                         kRectPageSelection | kRectEvenPages | kRectOddPages),
                  1);
        ASSERT_EQ(f.formatter.SelectRect(1, &f.dc, false), 1);
        if (c.lineAbove) {
            f.formatter.FormText2Line(&f.dc, "Left");
            f.formatter.FlushLine(&f.dc, true);
            f.formatter.NewLine(&f.dc, 20, nullptr);
        }
        f.formatter.SetX(&f.dc, c.x);
        f.formatter.SetRotation(90);
        for (const auto& piece : c.pieces)
            f.formatter.FormText2Line(&f.dc, piece);
        f.formatter.SetRotation(0);
        f.formatter.FormText2Line(&f.dc, "x");
        f.formatter.FlushLine(&f.dc, true);
        EXPECT_EQ(turnedTexts(f.dc), c.want) << c.name << "\n" << f.dc.text();
        // The next line goes below the turned run, not through it.
        int y = 0;
        ASSERT_EQ(f.formatter.NewLine(&f.dc, 20, &y), 1);
        EXPECT_EQ(y, (c.lineAbove ? 20 : 0) + 120) << c.name;
    }
}

TEST(TextFormatterEffects, AnEndlesslyLongTurnedRunKeepsItsLineBounded)
{
    // 100000 cells of the widest font measure more than an int holds: the rise is bounded
    // (2^24), so the line's height and the run's position stay far from overflowing.
    Fixture f(300, 300);
    LogFont wide = Mono();
    wide.width = platform::draw::FontEngine::kMaxFontPixels;
    f.formatter.SetFont(wide);
    f.formatter.SetRotation(90);
    EXPECT_EQ(f.formatter.FormText2Line(&f.dc, std::string(100000, 'x')), 1);
    f.formatter.FlushLine(&f.dc, true);
    ASSERT_EQ(f.texts().size(), 1u);
    EXPECT_EQ(f.texts()[0].substr(0, 12), "16,16777236 ") << "drawn at the bottom of its line";
    int y = -1;
    EXPECT_EQ(f.formatter.NewLine(&f.dc, 20, &y), 0) << "the page cannot hold that line";
}

TEST(TextFormatterRects, BoundsAndSelection)
{
    Fixture f;
    EXPECT_EQ(f.formatter.DefineRect(&f.dc, Rect{0, 0, 10, 10}, -1, 0, 0, 0), 0);
    EXPECT_EQ(f.formatter.DefineRect(&f.dc, Rect{0, 0, 10, 10}, CTextFormatter::kMaxRects, 0, 0, 0), 0);
    EXPECT_EQ(f.formatter.SelectRect(7, &f.dc, false), 0) << "no such rectangle";
    EXPECT_EQ(f.formatter.SetRectPages(7, 3, 0), 0);
    EXPECT_EQ(f.formatter.SelectRect(0, &f.dc, false), 1) << "0 without a rectangle: the whole page";
    // A rectangle that does not serve this page cannot be made current.
    ASSERT_EQ(f.formatter.DefineRect(&f.dc, Rect{0, 0, 10, 10}, 3, 5, 0, kRectPageSelection | kRectOddPages),
              1);
    EXPECT_EQ(f.formatter.SelectRect(3, &f.dc, false), 0);
    EXPECT_EQ(f.formatter.SetRectPages(3, 9, kRectPageSelection), 1);
    EXPECT_EQ(f.formatter.RectAt(3)->LastPage(), 9);
}

} // namespace

TEST(TextFormatterEffects, WrappedTurnedTextHasTheSameLinesHoweverItCameIn)
{
    // Turned by 10 degrees, a line rises by about a sixth of its length: each line is as tall
    // as its own text makes it, not as the text measured before it was cut.
    const std::string text = "        0x bexxxxxxfore after the rest of it goes on and on";
    const std::vector<std::vector<std::string>> ways = {
        {text},
        {"        0x be", "xxxxxxfore after the rest of it goes on and on"},
        {"        0x bexxxx", "xxfore after the rest of it goes on and on"},
    };
    const std::vector<std::string> want = {"0 0,20 'Left'", "100 3,57 '        0x'",
                                           "100 3,108 'bexxxxxxfore after'",
                                           "100 3,161 'the rest of it goes'", "100 3,197 'on and on'"};
    const auto print = [](const std::vector<std::string>& pieces) {
        Fixture f(200, 400);
        f.formatter.FormText2Line(&f.dc, "Left");
        f.formatter.FlushLine(&f.dc, true);
        f.formatter.NewLine(&f.dc, 20, nullptr);
        f.formatter.SetRotation(10);
        for (const auto& piece : pieces)
            f.formatter.FormText2Line(&f.dc, piece);
        f.formatter.FlushLine(&f.dc, true);
        return turnedTexts(f.dc);
    };
    for (const auto& pieces : ways)
        EXPECT_EQ(print(pieces), want) << pieces.size() << " pieces, the first '" << pieces[0] << "'";
    // Cut inside a line's last word, the line is drawn as two runs, the second where the first
    // ends on the slope; the line is as tall as the whole run makes it.
    EXPECT_EQ(print({"        0x bexxxxxxfore af", "ter the rest of it goes on and on"}),
              (std::vector<std::string>{"0 0,20 'Left'", "100 3,57 '        0x'",
                                        "100 3,108 'bexxxxxxfore af'", "100 151,82 'ter'",
                                        "100 3,161 'the rest of it goes'", "100 3,197 'on and on'"}));
}
