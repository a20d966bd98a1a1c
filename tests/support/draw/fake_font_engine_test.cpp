#include "tests/support/draw/fake_font_engine.h"

#include <gtest/gtest.h>

namespace platform::draw {
namespace {

struct FormulaCase
{
    const char* face;
    int height;
    int width;
    int ascent;
    int descent;
    int average;
};

class FakeFormulas : public ::testing::TestWithParam<FormulaCase>
{
};

TEST_P(FakeFormulas, GiveTheDocumentedMetrics)
{
    const FormulaCase& c = GetParam();
    FakeFontEngine engine;
    const FontHandle font = engine.createFont(makeLogFont(c.face, c.height, c.width));
    ASSERT_TRUE(font);
    const TextMetrics& m = font->metrics();
    EXPECT_EQ(m.ascent, c.ascent);
    EXPECT_EQ(m.descent, c.descent);
    EXPECT_EQ(m.height, c.ascent + c.descent);
    EXPECT_EQ(m.internalLeading, 0);
    EXPECT_EQ(m.aveCharWidth, c.average);
    EXPECT_EQ(font->charWidth('x'), c.average);
    EXPECT_TRUE(font->isTrueType());
}

INSTANTIATE_TEST_SUITE_P(Cases, FakeFormulas,
                         ::testing::Values(FormulaCase{"Courier New", -100, 0, 80, 20, 60},
                                           FormulaCase{"Courier New", 113, 0, 90, 23, 68},
                                           FormulaCase{"Courier New", -113, 60, 90, 23, 60},
                                           FormulaCase{"Arial", -7, 0, 6, 1, 4},
                                           FormulaCase{"Terminal", 0, 0, 13, 3, 10}));

TEST(FakeFontEngine, FixedAndProportionalFaces)
{
    FakeFontEngine engine;
    const FontHandle courier = engine.createFont(makeLogFont("Courier New", -20, 10));
    EXPECT_TRUE(courier->isFixedPitch());
    EXPECT_EQ(courier->charWidth('i'), 10);
    EXPECT_EQ(courier->charWidth('W'), 10);
    const FontHandle arial = engine.createFont(makeLogFont("Arial", -20, 10));
    EXPECT_FALSE(arial->isFixedPitch());
    EXPECT_EQ(arial->charWidth('i'), 5);
    EXPECT_EQ(arial->charWidth('W'), 15);
    EXPECT_EQ(arial->charWidth('a'), 10);
    EXPECT_EQ(arial->metrics().maxCharWidth, 15);
    LogFont askedFixed = makeLogFont("Arial", -20, 10);
    askedFixed.pitchAndFamily = kFixedPitch;
    EXPECT_TRUE(engine.createFont(askedFixed)->isFixedPitch());
    EXPECT_EQ(engine.createdCount(), 3);
}

TEST(FakeFontEngine, CodePagesFollowFaceAndCharset)
{
    FakeFontEngine engine;
    EXPECT_EQ(engine.createFont(makeLogFont("Terminal", -10))->codePage(), CodePage::Oem);
    EXPECT_EQ(engine.createFont(makeLogFont("MS LineDraw", -10))->codePage(), CodePage::Oem);
    EXPECT_EQ(engine.createFont(makeLogFont("Symbol", -10))->codePage(), CodePage::Symbol);
    EXPECT_EQ(engine.createFont(makeLogFont("Courier New", -10))->codePage(), CodePage::Ansi);
    LogFont oem = makeLogFont("Courier New", -10);
    oem.charSet = kOemCharset;
    const FontHandle font = engine.createFont(oem);
    EXPECT_EQ(font->codePage(), CodePage::Oem);
    EXPECT_EQ(font->metrics().charSet, kOemCharset);
    EXPECT_EQ(engine.createFont(makeLogFont("Symbol", -10))->metrics().charSet, kSymbolCharset);
}

TEST(FakeFontEngine, RefusesRecordsOutOfRange)
{
    FakeFontEngine engine;
    std::string error;
    EXPECT_FALSE(engine.createFont(makeLogFont("Arial", 40000), &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace platform::draw
