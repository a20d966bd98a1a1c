// The formatter with the real faces on a page image: ink where the text, the frame of its
// rectangle and a line turned by 90 degrees should be, and none elsewhere; a filled area keeps
// its frame.

#include "typestone/engine/text_formatter.h"

#include "tests/support/fonts/test_fonts.h"

#include "platform/draw/image_dc.h"
#include "platform/draw/qt_font_engine.h"

#include <gtest/gtest.h>

#include <QColor>

using namespace typestone;

namespace {

class NoHost : public FormatterHost
{
public:
    void FmtEndLine() override { formatter->NewLine(dc, 0, nullptr); }
    void FmtDown() override {}
    void FmtPrintData(std::string_view) override {}
    void FmtSetBkMode(int) override {}
    void EnableBoxDrawing(bool) override {}
    bool Cancelled() const override { return false; }
    CTextFormatter* formatter = nullptr;
    platform::draw::Dc* dc = nullptr;
};

// Dark pixels inside the rectangle of the image.
int ink(const QImage& image, const platform::draw::Rect& r)
{
    int n = 0;
    for (int y = std::max(0, r.top); y < std::min(image.height(), r.bottom); ++y)
        for (int x = std::max(0, r.left); x < std::min(image.width(), r.right); ++x)
            n += QColor(image.pixel(x, y)).lightness() < 128 ? 1 : 0;
    return n;
}

TEST(TextFormatterRender, TextFrameAndTurnedLineWithRealFaces)
{
    test_support::useTestFonts();
    platform::draw::QtFontEngine engine;
    platform::draw::ImageDc dc(platform::draw::ImageDc::capsFor(600, 400));
    dc.setTextAlign(platform::draw::TextAlign::Baseline);
    NoHost host;
    CTextFormatter f(&host, &engine);
    host.formatter = &f;
    host.dc = &dc;
    f.SetFont(platform::draw::makeLogFont("Arial", -20));
    f.NewPage(&dc, 1);
    const uint32_t options = kRectPageSelection | kRectEvenPages | kRectOddPages;
    ASSERT_EQ(f.DefineRect(&dc, platform::draw::Rect{50, 50, 350, 150}, 1, 0, 0, options), 1);
    ASSERT_EQ(f.SelectRect(1, &dc, false), 1);
    f.SetAlign(kAlignCentered, &dc);
    f.FormText2Line(&dc, "Centred in a frame");
    f.FlushLine(&dc, true);
    f.DrawFrame(&dc);
    ASSERT_EQ(f.DefineRect(&dc, platform::draw::Rect{450, 50, 550, 390}, 2, 0, 0, options), 1);
    ASSERT_EQ(f.SelectRect(2, &dc, false), 1);
    f.SetAlign(kAlignLeft, &dc);
    // A turned line at the rectangle's left edge: its glyphs lie right of its start, inside.
    f.SetX(&dc, 0);
    f.SetY(&dc, 200);
    f.SetRotation(90);
    f.FormText2Line(&dc, "Upwards");
    f.FlushLine(&dc, true);
    const QImage& image = dc.image();
    if (const char* shot = std::getenv("TYPESTONE_SCREENSHOT_DIR"))
        image.save(QString::fromLocal8Bit(shot) + "/formatter-render.png");

    // The centred text: in the middle of the first rectangle's first line, not at its edges.
    EXPECT_GT(ink(image, {120, 52, 280, 75}), 50);
    EXPECT_EQ(ink(image, {52, 52, 90, 75}), 0);
    EXPECT_EQ(ink(image, {310, 52, 348, 75}), 0);
    // The frame, 2 pixels outside the area.
    EXPECT_GT(ink(image, {46, 46, 354, 49}), 300);
    EXPECT_GT(ink(image, {46, 151, 354, 154}), 300);
    EXPECT_GT(ink(image, {46, 46, 49, 154}), 100);
    // The turned line goes up inside its own line (top 250, as tall as its rise and the
    // font) from the second rectangle's left edge: a tall, narrow trace right of the edge.
    EXPECT_GT(ink(image, {450, 262, 476, 352}), 50);
    EXPECT_GT(ink(image, {450, 262, 457, 352}), 0) << "the glyph tops are at the edge, not cut off";
    EXPECT_EQ(ink(image, {480, 50, 550, 390}), 0) << "nothing runs to the right";
    EXPECT_EQ(ink(image, {450, 50, 550, 258}), 0) << "it is 7 letters long and stays in its line";
    // Nothing else on the page.
    EXPECT_EQ(ink(image, {0, 160, 440, 400}), 0);
}

TEST(TextFormatterRender, AFilledAreaKeepsItsFrameOnEverySide)
{
    test_support::useTestFonts();
    platform::draw::QtFontEngine engine;
    platform::draw::ImageDc dc(platform::draw::ImageDc::capsFor(300, 200));
    NoHost host;
    CTextFormatter f(&host, &engine);
    host.formatter = &f;
    host.dc = &dc;
    f.NewPage(&dc, 1);
    const uint32_t options = kRectPageSelection | kRectEvenPages | kRectOddPages;
    ASSERT_EQ(f.DefineRect(&dc, platform::draw::Rect{50, 50, 250, 150}, 1, 0, 0, options), 1);
    ASSERT_EQ(f.SelectRect(1, &dc, false), 1);
    // As the alignment command does it: the frame, then the light grey fill.
    f.SetAlignWord(kAlignFrame | 0x40);
    f.DrawFrame(&dc);
    f.FillArea(&dc, 0x40);
    const QImage& image = dc.image();
    // The frame lies outside the area and the fill inside: the fill covers none of it.
    EXPECT_GT(ink(image, {46, 46, 254, 50}), 400) << "top";
    EXPECT_GT(ink(image, {46, 150, 254, 154}), 400) << "bottom";
    EXPECT_GT(ink(image, {46, 46, 50, 154}), 200) << "left";
    EXPECT_GT(ink(image, {250, 46, 254, 154}), 200) << "right";
    EXPECT_EQ(QColor(image.pixel(150, 100)).lightness(), 192) << "the fill";
    // The same at the next page start, where the decoration is drawn again.
    dc.clearImage();
    f.NewPage(&dc, 1);
    const QImage& next = dc.image();
    EXPECT_GT(ink(next, {46, 46, 254, 50}), 400) << "top on the next page";
    EXPECT_EQ(QColor(next.pixel(150, 100)).lightness(), 192) << "the fill on the next page";
}

} // namespace
