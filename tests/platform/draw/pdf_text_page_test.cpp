// Text pages in a PDF: plain text runs share one painter state, and must come out on the
// rendered page exactly as runs drawn each in a state of their own (as a clipped run is).
#include "platform/draw/pdf_file_page_device.h"
#include "platform/draw/qt_font.h"
#include "platform/draw/qt_font_engine.h"
#include "support/fonts/test_fonts.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <string>

namespace platform::draw {
namespace {

class PdfTextPageTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // A page like an interpreted text job's: box lines, runs in a width-scaled face, an OEM
    // face, colours, both background modes, underline and justified blanks, and text that
    // follows a clipped run; right after text, a pattern fill, a line leaving the page and an
    // image (each must be drawn in the page's own placement). `clip` is given to every text run.
    void drawPage(Dc& dc, const std::optional<Rect>& clip)
    {
        const FontHandle courier = m_fonts.createFont(makeLogFont("Courier New", -100, 60));
        LogFont underlined = makeLogFont("Courier New", -80);
        underlined.underline = 1;
        const FontHandle terminal = m_fonts.createFont(makeLogFont("Terminal", -90));
        ASSERT_TRUE(courier && terminal);
        dc.selectPen(Pen{PenStyle::Solid, 3, kBlack});
        for (int row = 0; row < 12; ++row) {
            const int y = 100 + row * 110;
            dc.moveTo({40, y});
            dc.lineTo({40, y + 110});
            dc.selectFont(row % 3 == 2 ? terminal : courier);
            dc.setBackgroundMode(row % 2 ? BackgroundMode::Opaque : BackgroundMode::Transparent);
            dc.setTextColor(row % 4 == 3 ? Color{200, 0, 0} : kBlack);
            dc.textOut({60, y},
                       "INVOICE  M\x81ller   \x9c"
                       "12.50 Qty",
                       clip);
            dc.textOut({1500, y}, "Total \xb3 ACCT-0042", clip);
            dc.moveTo({2900, y});
            dc.lineTo({2900, y + 110});
        }
        dc.selectFont(m_fonts.createFont(underlined));
        dc.setTextJustification(90, 3);
        dc.textOut({60, 1500}, "a b c d", clip);
        dc.fillRect({60, 1650, 2800, 1660}, Brush::solid(kBlack));
        dc.selectFont(courier);
        dc.textOut({60, 1700}, "clipped run", Rect{60, 1700, 400, 1760});
        dc.textOut({60, 1800}, "after the clipped run", clip);
        dc.fillRect({1500, 1800, 1900, 1900},
                    Brush::fromPattern({0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}));
        dc.textOut({60, 1950}, "before a long line", clip);
        dc.moveTo({100, 2100});
        dc.lineTo({-500, 9000});
        dc.textOut({60, 2200}, "before an image", clip);
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(QColor(0, 120, 0));
        dc.drawImage({1500, 2200, 1700, 2400}, image);
    }

    // The page rendered at 150 dpi.
    QImage render(const std::function<void(Dc&)>& draw, const QString& name)
    {
        const QString pdf = m_dir.filePath(name + QStringLiteral(".pdf"));
        PageSetup setup;
        setup.margins = spooler::Margins{423, 423, 423, 423};
        PdfFilePageDevice device(pdf.toStdString(), setup);
        EXPECT_TRUE(device.startDoc(name.toStdString())) << device.errorText();
        EXPECT_TRUE(device.startPage()) << device.errorText();
        draw(*device.dc());
        EXPECT_TRUE(device.endPage()) << device.errorText();
        EXPECT_TRUE(device.endDoc()) << device.errorText();
        const QString prefix = m_dir.filePath(name);
        QProcess process;
        process.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("150"),
                                                   QStringLiteral("-singlefile"), pdf, prefix});
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0)
            << process.readAllStandardError().toStdString();
        return QImage(prefix + QStringLiteral(".ppm"));
    }

    QString text(const QString& name)
    {
        QProcess process;
        process.start(QStringLiteral("pdftotext"),
                      {m_dir.filePath(name + QStringLiteral(".pdf")), QStringLiteral("-")});
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0);
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    QTemporaryDir m_dir;
    QtFontEngine m_fonts;
};

TEST_F(PdfTextPageTest, SharedStateRunsRenderAsRunsOfTheirOwn)
{
    const QImage shared = render([&](Dc& dc) { drawPage(dc, std::nullopt); }, QStringLiteral("shared"));
    // A clip as large as the page changes nothing drawn, but gives each run its own state.
    const QImage own = render(
        [&](Dc& dc) {
            const DeviceCaps caps = dc.caps();
            drawPage(dc, Rect{0, 0, caps.width, caps.height});
        },
        QStringLiteral("own"));
    ASSERT_FALSE(shared.isNull());
    ASSERT_EQ(shared.size(), own.size());
    EXPECT_TRUE(shared == own) << "the shared-state page differs from the one drawn run by run";
    // The page has ink, and its text stays text in the PDF.
    int inked = 0;
    for (int y = 0; y < shared.height(); ++y)
        for (int x = 0; x < shared.width(); ++x)
            inked += shared.pixel(x, y) != QColor(Qt::white).rgb() ? 1 : 0;
    EXPECT_GT(inked, 5000);
    const QString words = text(QStringLiteral("shared"));
    for (const char* word : {"INVOICE", "Müller", "£12.50", "ACCT-0042", "after the clipped run"}) {
        EXPECT_TRUE(words.contains(QString::fromUtf8(word))) << word << " not in:\n" << words.toStdString();
    }
}

TEST_F(PdfTextPageTest, BlanksWithoutOutlineAreLeftOutOfGlyphRuns)
{
    struct Case
    {
        const char* face;
        unsigned char byte;
        bool inkless;
    };
    for (const Case& c :
         {Case{"Courier New", ' ', true}, Case{"Courier New", 'A', false}, Case{"Terminal", ' ', true},
          Case{"Terminal", 0xFF, true}, Case{"Terminal", 0xDB, false}, Case{"Arial", ' ', true},
          Case{"Arial", '.', false}}) {
        const FontHandle font = m_fonts.createFont(makeLogFont(c.face, -40));
        const auto* qtFont = dynamic_cast<const QtFont*>(font.get());
        ASSERT_NE(qtFont, nullptr) << c.face;
        EXPECT_EQ(qtFont->glyphs().inkless[c.byte], c.inkless) << c.face << " byte " << int(c.byte);
        // A blank still advances the text by its width.
        EXPECT_GT(font->charWidth(c.byte), 0) << c.face << " byte " << int(c.byte);
    }
}

} // namespace
} // namespace platform::draw
