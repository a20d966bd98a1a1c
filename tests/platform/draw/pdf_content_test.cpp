#include "platform/draw/pdf_content.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::draw {
namespace {

// Scale factors are cut, not rounded: a run's glyphs sit on whole device pixels, and a scale
// one unit too high in its last place carries a glyph on a pixel's edge over to the next one.
TEST(PdfContentTest, ScalesAreCutToNineDigits)
{
    struct Case
    {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.95453719579, "0.954537195"},
        {0.12, "0.12"},
        {-0.12, "-0.12"},
        {72.0 / 203, "0.354679802"},
        {1.5, "1.5"},
        {842, "842"},
        {2225.156259, "2225.15625"},
        {0.0099999999999, "0.009999999"},
        {0, "0"},
    };
    for (const Case& c : cases) {
        PdfContent content;
        content.significant(c.value);
        EXPECT_EQ(content.text(), c.text) << c.value;
    }
}

} // namespace
} // namespace platform::draw
