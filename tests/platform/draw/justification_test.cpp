// Text justification: the extra pixels are spread over the blanks, the remainder one pixel each
// over the first ones, and a line drawn in pieces is spread as one.

#include "platform/draw/image_dc.h"
#include "platform/draw/recording_dc.h"
#include "platform/draw/tee_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

#include <QColor>

namespace platform::draw {
namespace {

TEST(TextJustification, SpreadsTheRemainderOverTheFirstBlanks)
{
    FakeFontEngine fonts;
    struct Case
    {
        int extra, breaks;
        std::vector<std::string> pieces;
        std::vector<std::string> want; // the text lines recorded
    };
    const Case cases[] = {
        {7, 3, {"a b c d"}, {"text 0,0 'a b c d' extra=3,2,2"}},
        {9, 3, {"a b c d"}, {"text 0,0 'a b c d' extra=3,3,3"}},
        // in pieces: the count goes on from piece to piece
        {7, 3, {"a b", " c d"}, {"text 0,0 'a b' extra=3", "text 0,0 ' c d' extra=2,2"}},
        // blanks past the count get nothing; a line without blanks is not stretched
        {4, 2, {"a b c d"}, {"text 0,0 'a b c d' extra=2,2"}},
        {5, 0, {"a b"}, {"text 0,0 'a b'"}},
        {0, 3, {"a b"}, {"text 0,0 'a b'"}},
    };
    for (const Case& c : cases) {
        RecordingDc dc;
        dc.selectFont(fonts.createFont(makeLogFont("Courier New", -10, 10)));
        dc.setTextJustification(c.extra, c.breaks);
        int total = 0;
        for (const auto& piece : c.pieces) {
            total += dc.justificationFor(piece);
            dc.textOut({0, 0}, piece);
        }
        std::vector<std::string> texts;
        for (const auto& line : dc.lines())
            if (line.rfind("text ", 0) == 0)
                texts.push_back(line);
        EXPECT_EQ(texts, c.want) << c.extra << "/" << c.breaks;
        EXPECT_EQ(total, c.breaks > 0 ? c.extra : 0) << "the query tells what the output adds";
        // Turning it off: nothing more is spread.
        dc.setTextJustification(0, 0);
        EXPECT_EQ(dc.justificationFor("a b"), 0);
    }
}

TEST(TextJustification, TeeSetsBothAndPainterWidensTheCells)
{
    FakeFontEngine fonts;
    ImageDc image(ImageDc::capsFor(60, 20));
    RecordingDc record;
    TeeDc tee(image, record);
    tee.selectFont(fonts.createFont(makeLogFont("Courier New", -10, 6))); // 6-pixel advance
    tee.setBackgroundColor(Color{255, 0, 0});
    tee.setBackgroundMode(BackgroundMode::Opaque);
    tee.setTextJustification(5, 1);
    EXPECT_EQ(tee.justificationFor("a b"), 5);
    tee.textOut({0, 0}, "a b");
    EXPECT_EQ(record.lines().back(), "text 0,0 'a b' extra=5");
    // The opaque cells: 3 x 6 pixels and the 5 spread over the blank.
    EXPECT_EQ(QColor(image.image().pixel(22, 5)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.image().pixel(23, 5)), QColor(Qt::white));
    EXPECT_EQ(tee.justificationFor("a b"), 0) << "used up";
}

} // namespace
} // namespace platform::draw
