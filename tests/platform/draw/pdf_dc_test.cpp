// The PDF page Dc: what each operation writes into the page's content (a table of small
// pages), and a page of fills, lines, patterns and an image that must render through a PDF
// reader exactly as PainterDc draws it on an image.
#include "platform/draw/image_dc.h"
#include "platform/draw/pdf_content.h"
#include "platform/draw/pdf_dc.h"
#include "platform/draw/pdf_document.h"
#include "platform/draw/pdf_fonts.h"
#include "platform/draw/pdf_page_writer.h"
#include "platform/draw/qt_font_engine.h"
#include "support/fonts/test_fonts.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

namespace platform::draw {
namespace {

class PdfDcTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    // The content of a page drawn by `draw` on a 4000 x 6000 printable area at (100, 50).
    std::string contentOf(const std::function<void(Dc&)>& draw)
    {
        DeviceCaps caps;
        caps.width = 4000;
        caps.height = 6000;
        caps.offsetX = 100;
        caps.offsetY = 50;
        caps.physicalWidth = 4200;
        caps.physicalHeight = 6100;
        PdfDocument document;
        std::string error;
        EXPECT_TRUE(document.open(m_dir.filePath(QStringLiteral("c.pdf")).toStdString(), &error)) << error;
        PdfFonts fonts;
        PdfDc dc(caps);
        dc.startDocument(&document, &fonts);
        PdfContent content;
        dc.startPage(&content, 842);
        draw(dc);
        dc.endPage();
        dc.startDocument(nullptr, nullptr);
        document.discard();
        return content.text();
    }

    static int count(const std::string& text, const std::string& part)
    {
        int n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

    QTemporaryDir m_dir;
    QtFontEngine m_fonts;
};

TEST_F(PdfDcTest, EachOperationWritesItsContent)
{
    const FontHandle courier = m_fonts.createFont(makeLogFont("Courier New", -100));
    const FontHandle narrow = m_fonts.createFont(makeLogFont("Courier New", -100, 55));
    LogFont turnedRecord = makeLogFont("Courier New", -100);
    turnedRecord.escapement = 900;
    const FontHandle turned = m_fonts.createFont(turnedRecord);
    ASSERT_TRUE(courier && narrow && turned);
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::green);
    const Pattern8x8 checks{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};

    struct Case
    {
        const char* name;
        std::function<void(Dc&)> draw;
        std::vector<std::string> inOrder; // each after the one before
        std::vector<std::string> absent;
        std::vector<std::pair<std::string, int>> counts;
    };
    const std::vector<Case> cases = {
        {"the page's transform: pixels, y down", [](Dc&) {}, {"0.12 0 0 -0.12 0 842 cm\n"}, {}, {}},
        {"a fill moved by the printable area's offset",
         [](Dc& dc) {
             dc.fillRect({10, 20, 30, 60}, Brush::solid(Color{255, 0, 0}));
         },
         {"1 0 0 rg\n110 70 20 40 re\nf\n"},
         {},
         {}},
        {"the colour written only when it changes",
         [](Dc& dc) {
             dc.fillRect({0, 0, 1, 1}, Brush::solid(Color{0, 51, 255}));
             dc.fillRect({5, 0, 6, 1}, Brush::solid(Color{0, 51, 255}));
             dc.fillRect({9, 0, 10, 1}, Brush::solid(kBlack));
         },
         {"0 0.2 1 rg\n", "105 50 1 1 re\nf\n", "0 0 0 rg\n"},
         {},
         {{" rg\n", 2}}},
        {"a fill cut to the page",
         [](Dc& dc) {
             dc.fillRect({-10, -10, 5, 5}, Brush::solid(kBlack));
         },
         {"100 50 5 5 re\nf\n"},
         {},
         {}},
        {"a wide horizontal line centred on its row",
         [](Dc& dc) {
             dc.selectPen(Pen{PenStyle::Solid, 3, kBlack});
             dc.moveTo({0, 10});
             dc.lineTo({10, 10});
         },
         {"100 59 10 3 re\nf\n"},
         {},
         {}},
        {"a line leaving the page is stroked",
         [](Dc& dc) {
             dc.moveTo({100, 100});
             dc.lineTo({-500, 90000});
         },
         {"q\n0 0 0 RG\n1 w 0 J 0 j\n200 150 m\n-400 90050 l\nS\nQ\n"},
         {" re\n"},
         {}},
        {"a slanted line on the page is pixel steps",
         [](Dc& dc) {
             dc.moveTo({0, 0});
             dc.lineTo({3, 1});
         },
         {"100 50 1 1 re\n", "101 50 1 1 re\n", "102 51 1 1 re\n"},
         {" S\n"},
         {{" re\n", 3}}},
        {"a rectangle's outline on its own edge pixels",
         [](Dc& dc) {
             dc.selectBrush(Brush::null());
             dc.selectPen(Pen{PenStyle::Solid, 2, kBlack});
             dc.rectangle({0, 0, 10, 10});
         },
         {"100 50 10 2 re\n", "100 58 10 2 re\n", "100 52 2 6 re\n", "108 52 2 6 re\n"},
         {},
         {{" re\n", 4}}},
        {"a pattern brush is one pattern per look",
         [&](Dc& dc) {
             dc.fillRect({0, 0, 16, 16}, Brush::fromPattern(checks));
             dc.fillRect({20, 0, 36, 16}, Brush::fromPattern(checks));
             dc.fillRect({40, 0, 41, 1}, Brush::solid(kBlack));
         },
         {"/Pattern cs /P1 scn\n100 50 15.984375 15.984375 re\nf\n",
          "/Pattern cs /P1 scn\n120 50 15.984375 15.984375 re\nf\n", "0 0 0 rg\n140 50 1 1 re\n"},
         {"/P2"},
         {}},
        {"an image into its target, first row at the top",
         [&](Dc& dc) {
             dc.drawImage({0, 0, 40, 20}, image);
         },
         {"q\n39.984375 0 0 -19.984375 100 69.984375 cm\n/Im1 Do\nQ\n"},
         {},
         {}},
        {"an image drawn again is the same image",
         [&](Dc& dc) {
             dc.drawImage({0, 0, 40, 20}, image);
             dc.drawImage({50, 0, 60, 20}, image);
         },
         {"/Im1 Do\n", "/Im1 Do\n"},
         {"/Im2"},
         {}},
        {"a fixed-pitch run is one glyph string stepping by character spacing",
         [&](Dc& dc) {
             dc.selectFont(courier);
             dc.setBackgroundMode(BackgroundMode::Transparent);
             dc.textOut({0, 0}, "AAAA");
         },
         {"0 0 0 rg\nq 1 0 0 1 100 ", " cm\nBT\n/F1 100 Tf 1 0 0 -1 0 0 Tm\n[<", ">] TJ\nET\nQ\n"},
         {" Td\n", " Tc"},
         {{"> TJ", 0}, {"] TJ\n", 1}}},
        {"blanks are left out and moved over exactly",
         [&](Dc& dc) {
             dc.selectFont(courier);
             dc.setBackgroundMode(BackgroundMode::Transparent);
             dc.textOut({0, 0}, "A  AAA");
         },
         {"[<", ">] TJ\n180 0 Td\n[<", ">] TJ\n"},
         {" Tc"},
         {{" Td\n", 1}}},
        {"a width-scaled run moves by positioning numbers",
         [&](Dc& dc) {
             dc.selectFont(narrow);
             dc.setBackgroundMode(BackgroundMode::Transparent);
             dc.textOut({0, 0}, "AAAAAAAA");
         },
         {"q 0.91", " Tc\n[<", ">] TJ\n"},
         {" Td\n"},
         {{"] TJ\n", 1}}},
        {"an opaque run fills its cells first",
         [&](Dc& dc) {
             dc.selectFont(courier);
             dc.setBackgroundColor(Color{255, 255, 0});
             dc.textOut({0, 0}, "A");
         },
         {"1 1 0 rg\n100 50 60 ", " re\nf\n0 0 0 rg\nq 1 0 0 1 100 "},
         {},
         {}},
        {"two runs in one colour set it once",
         [&](Dc& dc) {
             dc.selectFont(courier);
             dc.setBackgroundMode(BackgroundMode::Transparent);
             dc.textOut({0, 0}, "A");
             dc.textOut({0, 200}, "B");
         },
         {"BT\n", "BT\n"},
         {},
         {{" rg\n", 1}, {"/F1 100 Tf", 2}}},
        {"a clipped run in a state of its own",
         [&](Dc& dc) {
             dc.selectFont(courier);
             dc.setBackgroundMode(BackgroundMode::Transparent);
             dc.textOut({0, 0}, "A", Rect{0, 0, 30, 40});
             dc.fillRect({0, 0, 1, 1}, Brush::solid(kBlack));
         },
         // The colour set inside the clip's state is gone after it: set again.
         {"q\n100 50 30 40 re\nW n\n0 0 0 rg\n", "ET\nQ\nQ\n0 0 0 rg\n100 50 1 1 re\n"},
         {},
         {}},
        {"a turned run turns about its reference point",
         [&](Dc& dc) {
             dc.selectFont(turned);
             dc.setBackgroundMode(BackgroundMode::Transparent);
             dc.textOut({0, 0}, "A");
         },
         // The turn and the run's placement in one transform: the baseline's origin lies
         // right of the reference point by the ascent.
         {"q\n0 -1 1 0 ", " 50 cm\nBT\n", "ET\nQ\nQ\n"},
         {" 150 cm"},
         {}},
        {"nothing without a font, and nothing for an empty clip",
         [&](Dc& dc) {
             EXPECT_FALSE(dc.textOut({0, 0}, "A"));
             dc.selectFont(courier);
             EXPECT_TRUE(dc.textOut({0, 0}, "A", Rect{5, 5, 5, 9}));
         },
         {},
         {"BT", " re\n"},
         {}},
    };
    for (const Case& c : cases) {
        const std::string content = contentOf(c.draw);
        size_t at = 0;
        for (const std::string& part : c.inOrder) {
            const size_t found = content.find(part, at);
            EXPECT_NE(found, std::string::npos) << c.name << ": no '" << part << "' (in order) in:\n"
                                                << content;
            if (found != std::string::npos)
                at = found + part.size();
        }
        for (const std::string& part : c.absent)
            EXPECT_EQ(content.find(part), std::string::npos) << c.name << ": '" << part << "' in:\n"
                                                             << content;
        for (const auto& [part, n] : c.counts)
            EXPECT_EQ(count(content, part), n) << c.name << ": '" << part << "' in:\n" << content;
    }
}

TEST_F(PdfDcTest, FillsLinesPatternsAndImagesRenderAsPainterDcDrawsThem)
{
    // At 150 dpi a device pixel is a rendered pixel: every fill must land exactly.
    PageSetup setup;
    setup.resolution = spooler::Resolution{150, 150};
    setup.margins = spooler::Margins{423, 847, 423, 423};
    const auto draw = [](Dc& dc) {
        dc.selectPen(Pen{PenStyle::Solid, 3, Color{0, 0, 160}});
        dc.moveTo({10, 10});
        dc.lineTo({900, 10});
        dc.lineTo({900, 600});
        dc.moveTo({20, 40});
        dc.lineTo({400, 170}); // Bresenham steps
        dc.selectPen(Pen{PenStyle::Solid, 1, kBlack});
        dc.moveTo({30, 200});
        dc.lineTo({31, 900});
        dc.setTextColor(Color{200, 0, 0});
        dc.setBackgroundColor(Color{255, 255, 200});
        dc.fillRect({50, 250, 307, 410},
                    Brush::fromPattern({0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}));
        dc.selectBrush(Brush::fromPattern({0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}));
        dc.selectPen(Pen{PenStyle::Solid, 4, Color{0, 128, 0}});
        dc.rectangle({333, 251, 601, 433});
        dc.selectBrush(Brush::solid(Color{17, 34, 51}));
        dc.rectangle({620, 250, 700, 300});
        dc.fillRect({-20, 700, 60, 760}, Brush::solid(Color{128, 128, 128}));
        QImage image(4, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                image.setPixelColor(x, y, QColor(x * 60, y * 100, 90));
        dc.drawImage({100, 500, 140, 530}, image);
    };

    const QString pdf = m_dir.filePath(QStringLiteral("fills.pdf"));
    PdfPageWriter writer(setup);
    std::string error;
    ASSERT_TRUE(writer.open(pdf.toStdString(), "fills", &error)) << error;
    ASSERT_TRUE(writer.startPage(&error)) << error;
    draw(*writer.dc());
    ASSERT_TRUE(writer.endPage(&error));
    ASSERT_TRUE(writer.close(&error)) << error;

    const DeviceCaps caps = setup.caps();
    ImageDc painted(caps);
    draw(painted);
    const QImage expected = painted.image();

    QProcess process;
    const QString prefix = m_dir.filePath(QStringLiteral("fills"));
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-singlefile"), pdf, prefix});
    ASSERT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0);
    EXPECT_TRUE(process.readAllStandardError().isEmpty());
    const QImage rendered(prefix + QStringLiteral(".ppm"));
    ASSERT_GE(rendered.width(), caps.offsetX + caps.width);
    ASSERT_GE(rendered.height(), caps.offsetY + caps.height);
    int differing = 0;
    QString first;
    for (int y = 0; y < caps.height; ++y) {
        for (int x = 0; x < caps.width; ++x) {
            const QRgb want = expected.pixel(x, y) | 0xFF000000;
            const QRgb got = rendered.pixel(x + caps.offsetX, y + caps.offsetY) | 0xFF000000;
            if (want != got && differing++ == 0)
                first = QStringLiteral("(%1, %2): %3 drawn, %4 rendered")
                            .arg(x)
                            .arg(y)
                            .arg(want, 8, 16)
                            .arg(got, 8, 16);
        }
    }
    EXPECT_EQ(differing, 0) << "first at " << first.toStdString();
    // Outside the printable area the sheet stays white.
    EXPECT_EQ(rendered.pixel(caps.offsetX - 1, caps.offsetY + 710) | 0xFF000000, 0xFFFFFFFFu);
}

} // namespace
} // namespace platform::draw
