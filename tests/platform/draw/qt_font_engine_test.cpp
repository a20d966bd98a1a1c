#include "platform/draw/qt_font_engine.h"
#include "support/fonts/test_fonts.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QRawFont>

#include <cmath>
#include <string>
#include <vector>

namespace platform::draw {
namespace {

// The values the metrics must come from, read independently of the engine.
struct Os2
{
    int unitsPerEm;
    int winAscent;
    int winDescent;
    int xAvgCharWidth;
};

int be16(const QByteArray& table, int offset)
{
    return (static_cast<unsigned char>(table[offset]) << 8) | static_cast<unsigned char>(table[offset + 1]);
}

Os2 readOs2(const char* family)
{
    QFont font{QString::fromLatin1(family)};
    font.setPixelSize(100);
    const QRawFont raw = QRawFont::fromFont(font);
    EXPECT_EQ(raw.familyName(), QString::fromLatin1(family));
    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray head = raw.fontTable("head");
    EXPECT_GE(os2.size(), 78);
    EXPECT_GE(head.size(), 20);
    return Os2{be16(head, 18), be16(os2, 74), be16(os2, 76), static_cast<int16_t>(be16(os2, 2))};
}

class QtFontEngineTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    FontHandle create(const LogFont& lf)
    {
        std::string error;
        FontHandle font = m_engine.createFont(lf, &error);
        EXPECT_TRUE(font) << error;
        return font;
    }

    QtFontEngine m_engine;
};

struct AliasCase
{
    const char* windowsFace;
    const char* installed;
    CodePage codePage;
    bool fixed;
};

class FaceAliases : public QtFontEngineTest, public ::testing::WithParamInterface<AliasCase>
{
};

TEST_P(FaceAliases, MapToTheInstalledFace)
{
    const AliasCase& c = GetParam();
    int fallbacks = 0;
    m_engine.setFallbackLogger([&](const std::string&, const std::string&) { ++fallbacks; });
    const FontHandle font = create(makeLogFont(c.windowsFace, -40));
    ASSERT_TRUE(font);
    EXPECT_EQ(font->installedFamily(), c.installed);
    EXPECT_EQ(font->codePage(), c.codePage);
    EXPECT_EQ(font->isFixedPitch(), c.fixed);
    EXPECT_TRUE(font->isTrueType());
    EXPECT_EQ(std::string(font->logFont().faceNameView()), c.windowsFace);
    EXPECT_EQ(fallbacks, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, FaceAliases,
    ::testing::Values(AliasCase{"Courier New", "Liberation Mono", CodePage::Ansi, true},
                      AliasCase{"courier new", "Liberation Mono", CodePage::Ansi, true},
                      AliasCase{"Arial", "Liberation Sans", CodePage::Ansi, false},
                      AliasCase{"Times New Roman", "Liberation Serif", CodePage::Ansi, false},
                      AliasCase{"Terminal", "DejaVu Sans Mono", CodePage::Oem, true},
                      AliasCase{"Lucida Console", "DejaVu Sans Mono", CodePage::Ansi, true},
                      AliasCase{"MS LineDraw", "DejaVu Sans Mono", CodePage::Oem, true},
                      AliasCase{"Symbol", "DejaVu Sans", CodePage::Symbol, false},
                      AliasCase{"Liberation Serif", "Liberation Serif", CodePage::Ansi, false}));

TEST_F(QtFontEngineTest, UnknownFaceFallsBackByFamilyAndIsReported)
{
    std::vector<std::string> reports;
    m_engine.setFallbackLogger(
        [&](const std::string& asked, const std::string& used) { reports.push_back(asked + "->" + used); });
    LogFont mono = makeLogFont("No Such Face", -20);
    mono.pitchAndFamily = kFixedPitch | kFamilyModern;
    LogFont roman = makeLogFont("Other Face", -20);
    roman.pitchAndFamily = kVariablePitch | kFamilyRoman;
    EXPECT_EQ(create(mono)->installedFamily(), "Liberation Mono");
    EXPECT_EQ(create(roman)->installedFamily(), "Liberation Serif");
    EXPECT_EQ(create(makeLogFont("", -20))->installedFamily(), "Liberation Sans"); // no name: no report
    EXPECT_EQ(reports,
              (std::vector<std::string>{"No Such Face->Liberation Mono", "Other Face->Liberation Serif"}));
}

struct HeightCase
{
    const char* face;
    const char* installed;
    int height;
};

class MetricsFromTables : public QtFontEngineTest, public ::testing::WithParamInterface<HeightCase>
{
};

TEST_P(MetricsFromTables, FollowTheOs2Table)
{
    const HeightCase& c = GetParam();
    const Os2 os2 = readOs2(c.installed);
    const double scale = c.height < 0 ? -c.height / static_cast<double>(os2.unitsPerEm)
                                      : c.height / static_cast<double>(os2.winAscent + os2.winDescent);
    const FontHandle font = create(makeLogFont(c.face, c.height));
    ASSERT_TRUE(font);
    const TextMetrics& m = font->metrics();
    EXPECT_EQ(m.ascent, std::lround(os2.winAscent * scale));
    if (c.height > 0) {
        EXPECT_EQ(m.height, c.height); // a positive height is the cell
    } else {
        EXPECT_EQ(m.descent, std::lround(os2.winDescent * scale));
        EXPECT_EQ(m.height - m.internalLeading, -c.height); // a negative one the em
    }
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_EQ(m.aveCharWidth, std::lround(os2.xAvgCharWidth * scale));
    EXPECT_GE(m.maxCharWidth, m.aveCharWidth);
}

INSTANTIATE_TEST_SUITE_P(Heights, MetricsFromTables,
                         ::testing::Values(HeightCase{"Courier New", "Liberation Mono", -113},
                                           HeightCase{"Courier New", "Liberation Mono", 113},
                                           HeightCase{"Courier New", "Liberation Mono", -7},
                                           HeightCase{"Arial", "Liberation Sans", -50},
                                           HeightCase{"Times New Roman", "Liberation Serif", 61},
                                           HeightCase{"Terminal", "DejaVu Sans Mono", -33}));

TEST_F(QtFontEngineTest, WidthScalesToExactlyTheAverageWidth)
{
    for (const int width : {60, 17, 101}) {
        const FontHandle font = create(makeLogFont("Courier New", -113, width));
        ASSERT_TRUE(font);
        EXPECT_EQ(font->metrics().aveCharWidth, width);
        // Liberation Mono's every advance is its average width.
        EXPECT_EQ(font->charWidth('M'), width);
        EXPECT_EQ(font->textWidth("Hello"), 5 * width);
    }
    // The height does not change with the width.
    EXPECT_EQ(create(makeLogFont("Courier New", -113, 30))->metrics().height,
              create(makeLogFont("Courier New", -113, 90))->metrics().height);
    // A proportional face: the average becomes the width, the advances keep their ratios.
    const FontHandle wide = create(makeLogFont("Arial", -50, 40));
    const FontHandle natural = create(makeLogFont("Arial", -50));
    EXPECT_EQ(wide->metrics().aveCharWidth, 40);
    EXPECT_NEAR(wide->charWidth('W') / static_cast<double>(wide->charWidth('i')),
                natural->charWidth('W') / static_cast<double>(natural->charWidth('i')), 0.35);
}

TEST_F(QtFontEngineTest, MonospacedAdvancesAreAllEqual)
{
    for (const char* face : {"Courier New", "Terminal"}) {
        const FontHandle font = create(makeLogFont(face, -47));
        ASSERT_TRUE(font);
        const TextMetrics& m = font->metrics();
        const std::vector<int> widths = font->charWidths(m.firstChar, m.lastChar);
        for (size_t i = 0; i < widths.size(); ++i) {
            const int byte = m.firstChar + static_cast<int>(i);
            if (font->hasGlyph(static_cast<std::uint8_t>(byte))) {
                EXPECT_EQ(widths[i], m.aveCharWidth) << face << " byte " << byte;
            }
        }
    }
    const FontHandle arial = create(makeLogFont("Arial", -47));
    EXPECT_LT(arial->charWidth('i'), arial->charWidth('W'));
}

TEST_F(QtFontEngineTest, FacesHaveTheGlyphsOfTheirCodePage)
{
    // Terminal: every code page 437 picture 0x01-0xFF (box drawing, shades, Greek).
    const FontHandle terminal = create(makeLogFont("Terminal", -20));
    for (int byte = 1; byte < 256; ++byte) {
        EXPECT_TRUE(terminal->hasGlyph(static_cast<std::uint8_t>(byte))) << "Terminal byte " << byte;
    }
    EXPECT_EQ(terminal->metrics().charSet, kOemCharset);
    // Courier New: the printable Windows-1252 bytes, the euro sign among them.
    const FontHandle courier = create(makeLogFont("Courier New", -20));
    for (const int byte : {0x20, 0x41, 0x80, 0xA9, 0xAE, 0xE9, 0xFF}) {
        EXPECT_TRUE(courier->hasGlyph(static_cast<std::uint8_t>(byte))) << "Courier New byte " << byte;
    }
    EXPECT_FALSE(courier->hasGlyph(0x01));
    // Symbol: the Greek letters and signs the engine prints with it.
    const FontHandle symbol = create(makeLogFont("Symbol", -20));
    for (const int byte :
         {0x61, 0x62, 0x47, 0x70, 0xE5, 0x73, 0x6D, 0x67, 0x46, 0x71, 0x57, 0x64, 0xA5, 0xC6, 0x65,
          0xC7, 0xBA, 0xB1, 0xB3, 0xA3, 0xF3, 0xF5, 0xB8, 0xBB, 0xB0, 0xB7, 0xD7, 0xD6, 0x68}) {
        EXPECT_TRUE(symbol->hasGlyph(static_cast<std::uint8_t>(byte))) << "Symbol byte " << byte;
    }
    EXPECT_EQ(symbol->metrics().charSet, kSymbolCharset);
}

TEST_F(QtFontEngineTest, OemCharsetOnAnAnsiFaceUsesCode437)
{
    LogFont lf = makeLogFont("Courier New", -20);
    lf.charSet = kOemCharset;
    const FontHandle font = create(lf);
    EXPECT_EQ(font->codePage(), CodePage::Oem);
    EXPECT_EQ(font->metrics().charSet, kOemCharset);
}

TEST_F(QtFontEngineTest, BoldAndItalicPickTheirFaces)
{
    LogFont lf = makeLogFont("Courier New", -40);
    lf.weight = kWeightBold;
    lf.italic = 1;
    const FontHandle font = create(lf);
    EXPECT_EQ(font->metrics().weight, 700);
    EXPECT_EQ(font->metrics().italic, 1);
    EXPECT_EQ(create(makeLogFont("Courier New", -40))->metrics().weight, 400);
}

TEST_F(QtFontEngineTest, RefusesRecordsOutOfRange)
{
    std::string error;
    LogFont huge = makeLogFont("Arial", -40000);
    EXPECT_FALSE(m_engine.createFont(huge, &error));
    EXPECT_NE(error.find("out of range"), std::string::npos);
    LogFont weight = makeLogFont("Arial", -10);
    weight.weight = 1001;
    EXPECT_FALSE(m_engine.createFont(weight, &error));
}

} // namespace
} // namespace platform::draw
