#include "platform/draw/pdf_content.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

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

// Reals are written from a memo of recent values: whatever the order, each text is the one a
// fresh builder gives (a value under other decimals, values sharing a slot, repeats).
TEST(PdfContentTest, RecentRealsAreWrittenAsAFreshBuilderWritesThem)
{
    std::vector<std::pair<double, int>> values;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> spread(-5000, 5000);
    for (int i = 0; i < 3000; ++i) {
        const double value = i % 3 == 0 ? spread(random) : (i % 40) * 61.796875 / 7;
        values.emplace_back(value, i % 5 == 0 ? 9 : 6);
    }
    values.emplace_back(0.5, 0);
    values.emplace_back(0.5, 1);
    PdfContent shared;
    for (const auto& [value, decimals] : values) {
        shared.clear();
        shared.real(value, decimals);
        PdfContent fresh;
        fresh.real(value, decimals);
        ASSERT_EQ(shared.text(), fresh.text()) << value << " with " << decimals << " decimals";
    }
}

} // namespace
} // namespace platform::draw
