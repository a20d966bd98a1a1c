// The text formatter's records: page ranges, styles, runs, frames, fills, rules and the saved
// line state of a print rectangle.

#include "typestone/engine/text_layout.h"
#include "typestone/engine/text_model_ftext.h"
#include "typestone/engine/text_model_paragraph.h"
#include "typestone/engine/text_model_prt_rect.h"
#include "typestone/engine/text_model_table.h"
#include "typestone/engine/text_model_wrap_context.h"

#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace typestone;
using platform::draw::LogFont;
using platform::draw::RecordingDc;
using platform::draw::Rect;

namespace {

class Fonts : public RunFonts
{
public:
    platform::draw::FontHandle FontFor(const LogFont& lf) override { return engine.createFont(lf); }
    platform::draw::FakeFontEngine engine;
};

LogFont Mono()
{
    return platform::draw::makeLogFont("Courier New", -20, 10); // 10-pixel advance, 20 high
}

TEST(PrtRectPages, ActiveAndExpired)
{
    struct Case
    {
        int first, last;
        uint32_t options;
        bool needSelection;
        std::map<int, bool> active; // page -> active
        std::map<int, bool> expired;
    };
    const Case cases[] = {
        // odd pages from 3 on: its first page whatever the parity, then the odd ones
        {3,
         0,
         0x40 | 0x100,
         false,
         {{2, false}, {3, true}, {4, false}, {5, true}, {6, false}, {7, true}},
         {{3, false}, {9, false}}},
        {3, 0, 0x40 | 0x100, true, {{3, true}, {5, true}}, {}},
        // the same without page selection is never active when selection is needed
        {3, 0, 0x100, true, {{3, false}, {5, false}, {7, false}}, {}},
        // neither parity bit, first page 0: serves no page from 1 on, expired from page 1
        {0, 0, 0x40, false, {{0, true}, {1, false}, {2, false}}, {{0, false}, {1, true}, {2, true}}},
        // even pages 2..6
        {2,
         6,
         0x80,
         false,
         {{1, false}, {2, true}, {4, true}, {5, false}, {6, true}, {8, false}},
         {{6, false}, {7, true}}},
        // the default rectangle: every page
        {0, 0, 0x1E0, true, {{1, true}, {2, true}, {99, true}}, {{1, false}, {99, false}}},
    };
    for (const Case& c : cases) {
        const Rect r{0, 0, 100, 100};
        const CPrtRect rect(&r, 1, c.first, c.last, c.options);
        for (const auto& [page, want] : c.active)
            EXPECT_EQ(rect.IsActiveOnPage(page, c.needSelection), want)
                << "first " << c.first << " options " << c.options << " page " << page;
        for (const auto& [page, want] : c.expired)
            EXPECT_EQ(rect.IsExpired(page), want) << "first " << c.first << " page " << page;
    }
}

TEST(Paragraph, DefaultsSameAndCopy)
{
    const CParagraph d;
    EXPECT_EQ(d.TextColor(), 0u);
    EXPECT_EQ(d.BkColor(), 0xFFFFFFu);
    EXPECT_EQ(d.BkMode(), 2);
    EXPECT_TRUE(d.IsWhiteBackground());
    const LogFont zero{};
    EXPECT_TRUE(d.Font() == zero);

    const LogFont lf = Mono();
    CParagraph a(&lf, 0x0000FF, 0xFFFFFF, 2, kEffectSuperscript);
    CParagraph b(&lf, 0x0000FF, 0xFFFFFF, 2, kEffectSubscript);
    EXPECT_TRUE(a.IsSame(b)) << "the effect is not compared";

    // One byte past the face name's end differs: byte-for-byte comparison sees it.
    LogFont tail = lf;
    tail.faceName[30] = 'x';
    CParagraph c(&tail, 0x0000FF, 0xFFFFFF, 2, 0);
    EXPECT_FALSE(a.IsSame(c));
    b.SetRotation(90);
    EXPECT_FALSE(a.IsSame(b));
    c.CopyFrom(b);
    EXPECT_TRUE(c.IsSame(b));
    EXPECT_EQ(c.Effect(), 0) << "CopyFrom leaves the effect";
}

TEST(FText, AddMeasureAndConsume)
{
    Fonts fonts;
    const LogFont lf = Mono();
    CFText run(&lf, 0, 0xFFFFFF, 0);
    const auto measured = [](platform::draw::Size size, platform::draw::Size lineSize) {
        RunExtent e;
        e.size = size;
        e.lineSize = lineSize;
        e.advance = size.width;
        return e;
    };
    EXPECT_FALSE(run.AddText(fonts, nullptr, measured({5, 5}, {5, 5})));
    EXPECT_TRUE(run.IsEmpty());
    ASSERT_TRUE(run.AddText(fonts, "ab c", measured({40, 20}, {0, 20})));
    ASSERT_TRUE(run.AddText(fonts, "d e", measured({30, 24}, {3, 18})));
    EXPECT_EQ(run.Text(), "ab cd e");
    EXPECT_EQ(run.Blanks(), 2);
    EXPECT_EQ(run.TextSize(), (platform::draw::Size{70, 24}));
    EXPECT_EQ(run.LineSize(), (platform::draw::Size{3, 20}));

    EXPECT_TRUE(run.ConsumeChars(fonts, 3));
    EXPECT_EQ(run.Text(), "cd e");
    EXPECT_EQ(run.TextSize(), (platform::draw::Size{40, 20}));
    EXPECT_EQ(run.Blanks(), 1);
    EXPECT_TRUE(run.ConsumeChars(fonts, 100));
    EXPECT_TRUE(run.IsEmpty());
    EXPECT_EQ(run.TextSize(), (platform::draw::Size{}));

    // A turned run given in pieces has the extent of its whole text: it rises by its whole
    // length (the pieces' rises added up come out short by their rounding, and their heights
    // are not added at all).
    CFText whole(&lf, 0, 0xFFFFFF, 0);
    CFText pieces(&lf, 0, 0xFFFFFF, 0);
    whole.SetRotation(30);
    pieces.SetRotation(30);
    ASSERT_TRUE(whole.AddText(fonts, "abcdefg", whole.GetTextExtent(fonts, std::string_view("abcdefg"))));
    for (const char* piece : {"ab", "cde", "fg"})
        ASSERT_TRUE(pieces.AddText(fonts, piece, pieces.GetTextExtent(fonts, std::string_view(piece))));
    EXPECT_EQ(pieces.Text(), whole.Text());
    EXPECT_EQ(pieces.TextSize(), whole.TextSize());
    EXPECT_EQ(pieces.LineSize(), whole.LineSize());
    EXPECT_GT(whole.TextSize().height, whole.LineSize().height) << "the run rises";

    // A face name that fills its 32 bytes without a terminating zero is read within them.
    LogFont full = Mono();
    for (char& c : full.faceName)
        c = 'M';
    CFText unterminated(&full, 0, 0xFFFFFF, 0);
    EXPECT_EQ(unterminated.Paragraph()->Font().faceNameView().size(), platform::draw::kFaceNameSize);
    EXPECT_TRUE(unterminated.GetTextExtent(fonts, std::string_view("ab")).ok);

    const CFText faceless;
    EXPECT_FALSE(faceless.GetTextExtent(fonts, std::string_view("abc")).ok) << "no face, nothing measured";
}

TEST(FText, RotatedAndScriptExtents)
{
    Fonts fonts;
    LogFont lf = Mono();
    struct Case
    {
        int angle;
        platform::draw::Size size;
        int yMove;
    };
    // Ten characters: 100 wide, 20 high.
    const Case cases[] = {
        {0, {100, 20}, 0},
        {90, {0, 120}, -100}, // up by the width
        {180, {-100, 20}, 0}, // signed: the text runs to the left
        {270, {0, -80}, 100}, // signed: down by the width
    };
    for (const Case& c : cases) {
        CFText run(&lf, 0, 0xFFFFFF, 0);
        run.SetRotation(static_cast<uint16_t>(c.angle));
        const RunExtent e = run.GetTextExtent(fonts, std::string_view("0123456789"));
        EXPECT_EQ(e.size, c.size) << c.angle;
        EXPECT_EQ(e.lineSize, (platform::draw::Size{0, 20})) << c.angle;
        EXPECT_EQ(e.yMove, c.yMove) << c.angle;
    }
    lf.height = -36;
    lf.width = 12;
    const LogFont small = ScriptFont(lf);
    EXPECT_EQ(small.width, 8);
    EXPECT_EQ(small.height, -24);
    CFText sup(&lf, 0, 0xFFFFFF, kEffectSuperscript);
    EXPECT_EQ(sup.GetTextExtent(fonts, std::string_view("ab")).size, (platform::draw::Size{16, 24}));
}

TEST(FText, SubAndSuperscriptDrawing)
{
    Fonts fonts;
    LogFont lf = Mono();
    lf.height = -36;
    lf.width = 12;
    const Rect clip{0, 100, 200, 200};
    struct Case
    {
        uint16_t effect;
        const char* text;
    };
    const Case cases[] = {
        {kEffectSuperscript, "text 56,144 'x' clip=0,100,200,188"}, // y - 6, bottom - 12
        {kEffectSubscript, "text 56,162 'x' clip=0,124,200,200"},   // y + 12, top + 24
    };
    for (const Case& c : cases) {
        RecordingDc dc;
        CFText run(&lf, 0, 0xFFFFFF, c.effect);
        run.ExtTextOut(&dc, fonts, {50, 150}, "x", clip);
        std::vector<std::string> texts;
        bool bottom = false;
        for (const auto& line : dc.lines()) {
            if (line.rfind("text ", 0) == 0)
                texts.push_back(line);
            if (line == "align bottom")
                bottom = true;
            if (line.rfind("font 'Courier New' h=-24 w=8", 0) == 0)
                bottom = bottom && true;
        }
        EXPECT_EQ(texts, std::vector<std::string>{c.text}) << dc.text();
        EXPECT_TRUE(bottom) << dc.text();
        EXPECT_NE(dc.text().find("font 'Courier New' h=-24 w=8"), std::string::npos) << dc.text();
        EXPECT_EQ(dc.lines().back(), "restore");
    }
}

TEST(PrtRectDrawing, FrameThenFill)
{
    RecordingDc dc;
    const Rect r{100, 200, 300, 260};
    CPrtRect rect(&r, 1, 0, 0, 0x1E0);
    rect.SetStyle(0x20 | 0xC0);
    rect.Fill(nullptr, 0, 0x00FF00); // remembers the fill colour
    rect.DrawRect(nullptr, 0x0000FF);
    EXPECT_EQ(rect.FrameColor(), 0u) << "no Dc, nothing stored";
    rect.DrawRect(&dc, 0x0000FF);
    dc.clear();
    rect.SavedState().m_dwX = 50;
    rect.SavedState().m_dwY = 40;
    rect.DrawDecoration(&dc);
    const std::vector<std::string> want = {
        "pen solid 2 #ff0000", "moveto 98,198", "lineto 98,262",       "lineto 302,262",
        "lineto 302,198",      "lineto 98,198", "pen solid 1 #000000", "fill 100,200,300,260 solid #00ff00",
    };
    EXPECT_EQ(dc.lines(), want);
    EXPECT_EQ(rect.SavedState().m_dwX, 0);
    EXPECT_EQ(rect.SavedState().m_dwY, 0);
    EXPECT_EQ(rect.SavedState().m_dwCurrX, 100);
    EXPECT_EQ(rect.SavedState().m_dwCurrY, 200);
}

TEST(PrtRectDrawing, FillBits)
{
    const Rect r{0, 0, 10, 10};
    const std::pair<uint16_t, const char*> cases[] = {
        {0x40, "fill 0,0,10,10 solid #c0c0c0"},
        {0x80, "fill 0,0,10,10 solid #ffffff"},
        {0xC0, "fill 0,0,10,10 solid #0000ff"},
        {0x00, nullptr},
    };
    for (const auto& [bits, want] : cases) {
        RecordingDc dc;
        CPrtRect rect(&r, 1, 0, 0, 0);
        rect.Fill(&dc, bits, 0xFF0000);
        if (want == nullptr)
            EXPECT_TRUE(dc.lines().empty()) << bits;
        else
            EXPECT_EQ(dc.lines(), std::vector<std::string>{want}) << bits;
        EXPECT_EQ(rect.FillColor(), 0xFF0000u);
    }
}

TEST(PrtRectDrawing, RuleWidthsAndFrameColourKept)
{
    struct Case
    {
        int lineHeight;
        int width;
        int extra;
    };
    const Case cases[] = {{0, 1, 6},  {9, 1, 6},    {10, 1, 6},  {25, 2, 7},
                          {39, 3, 8}, {40, 20, 25}, {45, 20, 25}};
    Fonts fonts;
    const auto font = fonts.FontFor(Mono()); // descent 4
    for (const Case& c : cases) {
        RecordingDc dc;
        dc.selectFont(font);
        const Rect r{100, 200, 300, 400};
        CPrtRect rect(&r, 1, 0, 0, 0x200);
        rect.DrawRect(&dc, 0x0000FF);
        dc.clear();
        int extra = -1;
        ASSERT_TRUE(rect.RuleUnderLine(&dc, 30, c.lineHeight, &extra));
        EXPECT_EQ(extra, c.extra) << c.lineHeight;
        const int y = 200 + 30 + c.width + 4;
        const std::vector<std::string> want = {"pen solid " + std::to_string(c.width) + " #f0f0f0",
                                               "moveto 100," + std::to_string(y),
                                               "lineto 300," + std::to_string(y), "pen solid 1 #000000"};
        EXPECT_EQ(dc.lines(), want) << c.lineHeight;
        EXPECT_EQ(rect.FrameColor(), 0x0000FFu) << "the frame keeps its colour";
        EXPECT_EQ(rect.RuleColor(), 0xF0F0F0u);
    }
    // On a coloured fill the rule is white; without the option there is none.
    RecordingDc dc;
    const Rect r{0, 0, 10, 10};
    CPrtRect filled(&r, 1, 0, 0, 0x200);
    filled.Fill(nullptr, 0xC0, 0x123456);
    int extra = -1;
    ASSERT_TRUE(filled.RuleUnderLine(&dc, 0, 10, &extra));
    EXPECT_EQ(filled.RuleColor(), 0xFFFFFFu);
    CPrtRect plain(&r, 1, 0, 0, 0x1E0);
    EXPECT_FALSE(plain.RuleUnderLine(&dc, 0, 10, &extra));
    EXPECT_EQ(extra, 0);
}

TEST(PrtRectState, SaveAndTakeBack)
{
    const Rect r{0, 0, 100, 100};
    CPrtRect rect(&r, 2, 0, 0, 0x1E0);
    FormatterLine line;
    EXPECT_FALSE(rect.TakeState(line, nullptr)) << "nothing saved";
    const LogFont lf = Mono();
    line.m_dwX = 5;
    line.m_dwY = 7;
    line.m_dwLineY = 20;
    line.m_szCurrLine = "abc";
    line.m_szWrappedText = "def";
    line.m_nBlanks = 1;
    line.m_pFTexts.push_back(std::make_unique<CFText>(&lf, 0x0000FF, 0xFFFFFF, 0));
    line.m_pCurrFText = line.m_pFTexts.back().get();
    CFText* run = line.m_pCurrFText;
    rect.SaveState(line, 0x1234, run, true);
    EXPECT_TRUE(rect.IsSaved());
    EXPECT_TRUE(line.m_szCurrLine.empty());
    EXPECT_TRUE(line.m_szWrappedText.empty());
    EXPECT_TRUE(line.m_pFTexts.empty());
    EXPECT_EQ(line.m_pCurrFText, nullptr);
    EXPECT_EQ(line.m_nBlanks, 0);
    EXPECT_EQ(rect.Paragraph()->TextColor(), 0x0000FFu) << "the run's style kept";

    FormatterLine other;
    uint16_t attr = 0;
    ASSERT_TRUE(rect.TakeState(other, &attr));
    EXPECT_FALSE(rect.IsSaved());
    EXPECT_EQ(attr, 0x1234);
    EXPECT_EQ(other.m_dwX, 5);
    EXPECT_EQ(other.m_dwY, 7);
    EXPECT_EQ(other.m_dwLineY, 20);
    EXPECT_EQ(other.m_szCurrLine, "abc");
    EXPECT_EQ(other.m_szWrappedText, "def");
    ASSERT_EQ(other.m_pFTexts.size(), 1u);
    EXPECT_EQ(other.m_pCurrFText, run);
}

TEST(WrapContext, ParksTheTextNotThePosition)
{
    FormatterLine line;
    line.m_dwX = 9;
    line.m_szCurrLine = "a";
    line.m_szWrappedText = "b";
    line.m_pFTexts.push_back(std::make_unique<CFText>());
    line.m_pCurrFText = line.m_pFTexts.back().get();
    CWrapContext parked(line);
    EXPECT_TRUE(line.m_szCurrLine.empty());
    EXPECT_TRUE(line.m_pFTexts.empty());
    EXPECT_EQ(line.m_dwX, 9);
    line.m_pFTexts.push_back(std::make_unique<CFText>()); // dropped on the way back
    parked.Restore(line);
    EXPECT_EQ(line.m_szCurrLine, "a");
    EXPECT_EQ(line.m_szWrappedText, "b");
    ASSERT_EQ(line.m_pFTexts.size(), 1u);
    EXPECT_EQ(line.m_pCurrFText, line.m_pFTexts.front().get());
}

TEST(Table, NextRect)
{
    CTable row(3);
    row.SetLast(5);
    EXPECT_EQ(row.NextRect(3), 4);
    EXPECT_EQ(row.NextRect(4), 5);
    EXPECT_EQ(row.NextRect(5), -1);
    EXPECT_EQ(row.NextRect(2), -1);
}

} // namespace
