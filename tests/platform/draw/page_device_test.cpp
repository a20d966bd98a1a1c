#include "platform/draw/page_device_factory.h"
#include "platform/draw/pdf_file_page_device.h"
#include "platform/draw/qt_font_engine.h"
#include "platform/spooler/folder_spooler.h"
#include "support/fonts/test_fonts.h"
#include "tests/support/draw/image_page_device.h"
#include "tests/support/env/scoped_env.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace platform::draw {
namespace {

// pdfinfo's "Key: value" of a file; empty when pdfinfo cannot read it.
std::string pdfInfo(const QString& path, const char* key)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {path});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return {};
    }
    const QString prefix = QString::fromLatin1(key) + QLatin1Char(':');
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().toStdString();
        }
    }
    return {};
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

class PageDeviceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        // The devices' temporary files go here, so that the tests can see what is left.
        m_tmp = m_root.filePath(QStringLiteral("tmp"));
        ASSERT_TRUE(QDir().mkpath(m_tmp));
        m_env.set("TMPDIR", m_tmp.toStdString());
        std::string error;
        m_spooler =
            spooler::FolderSpooler::open(m_root.filePath(QStringLiteral("spool")).toStdString(), &error);
        ASSERT_TRUE(m_spooler) << error;
        ASSERT_TRUE(m_spooler->addPrinter("Office", &error)) << error;
        m_printerDir = m_root.filePath(QStringLiteral("spool/Office"));
    }

    QStringList spooledPdfs() const { return filesIn(m_printerDir).filter(QStringLiteral(".pdf")); }

    // Draws a line of text and a frame on each page.
    static void drawPages(PageDevice& device, int pages, FontEngine& fonts)
    {
        Dc* dc = device.dc();
        dc->selectFont(fonts.createFont(makeLogFont("Courier New", -100, 60)));
        for (int page = 1; page <= pages; ++page) {
            ASSERT_TRUE(device.startPage()) << device.errorText();
            dc->textOut({100, 100}, "Page " + std::to_string(page));
            dc->selectBrush(Brush::null());
            dc->rectangle({50, 50, 2000, 400});
            ASSERT_TRUE(device.endPage()) << device.errorText();
        }
    }

    QTemporaryDir m_root;
    QString m_tmp;
    ts::support::ScopedEnv m_env;
    std::unique_ptr<spooler::FolderSpooler> m_spooler;
    QString m_printerDir;
    QtFontEngine m_fonts;
};

TEST_F(PageDeviceTest, ThreePagesThroughTheFolderSpoolerGiveAThreePagePdf)
{
    std::string error;
    auto device = makePageDevice(*m_spooler, PageDeviceRequest{"Office", {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    EXPECT_EQ(device->caps().dpiX, 600);
    // A4 at 600 dpi inside the folder printer's default margins of 4.23 mm (100 pixels).
    EXPECT_EQ(device->caps().physicalWidth, 4961);
    EXPECT_EQ(device->caps().physicalHeight, 7016);
    EXPECT_EQ(device->caps().offsetX, 100);
    EXPECT_EQ(device->caps().offsetY, 100);
    EXPECT_EQ(device->caps().width, 4761);
    EXPECT_EQ(device->caps().height, 6816);
    ASSERT_TRUE(device->startDoc("Monthly report")) << device->errorText();
    drawPages(*device, 3, m_fonts);
    EXPECT_TRUE(spooledPdfs().isEmpty()); // nothing is submitted before the end
    ASSERT_TRUE(device->endDoc()) << device->errorText();
    EXPECT_EQ(device->pageCount(), 3);

    const QStringList pdfs = spooledPdfs();
    ASSERT_EQ(pdfs.size(), 1) << filesIn(m_printerDir).join(QLatin1Char(' ')).toStdString();
    const QString pdf = QDir(m_printerDir).filePath(pdfs[0]);
    EXPECT_EQ(pdfInfo(pdf, "Pages"), "3");
    EXPECT_EQ(pdfInfo(pdf, "Title"), "Monthly report");
    EXPECT_NE(pdfInfo(pdf, "Page size").find("(A4)"), std::string::npos) << pdfInfo(pdf, "Page size");
    EXPECT_TRUE(filesIn(m_tmp).isEmpty()); // the temporary PDF is gone
}

TEST_F(PageDeviceTest, TheSpoolerDeviceUsesThePrintersDefaults)
{
    std::string error;
    spooler::PrinterDefaults defaults;
    defaults.media = "na_letter_8.5x11in";
    defaults.resolution = {300, 300};
    defaults.orientation = spooler::Orientation::Landscape;
    ASSERT_TRUE(m_spooler->saveDefaults("Office", defaults, &error)) << error;
    auto device = makePageDevice(*m_spooler, PageDeviceRequest{"Office", {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    // 11 in at 300 dpi, turned, less the default margins of 50 pixels.
    EXPECT_EQ(device->caps().physicalWidth, 3300);
    EXPECT_EQ(device->caps().width, 3200);
    EXPECT_EQ(device->caps().height, 2450);
    ASSERT_TRUE(device->startDoc("Wide"));
    drawPages(*device, 1, m_fonts);
    ASSERT_TRUE(device->endDoc()) << device->errorText();
    const QString pdf = QDir(m_printerDir).filePath(spooledPdfs().value(0));
    EXPECT_NE(pdfInfo(pdf, "Page size").find("792 x 612"), std::string::npos) << pdfInfo(pdf, "Page size");
}

TEST_F(PageDeviceTest, DrawingStartsAtThePrintableCorner)
{
    // (0, 0) of the device is the printable area's corner, 100 pixels in from the sheet's edges,
    // and nothing reaches the unprintable edge.
    std::string error;
    auto device = makePageDevice(*m_spooler, PageDeviceRequest{"Office", {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    ASSERT_TRUE(device->startDoc("Corner"));
    ASSERT_TRUE(device->startPage());
    device->dc()->fillRect({-100, -100, 200, 200}, Brush::solid(kBlack));
    const DeviceCaps caps = device->caps();
    device->dc()->fillRect({caps.width - 200, caps.height - 200, caps.width + 100, caps.height + 100},
                           Brush::solid(kBlack));
    ASSERT_TRUE(device->endPage());
    ASSERT_TRUE(device->endDoc()) << device->errorText();
    const QString pdf = QDir(m_printerDir).filePath(spooledPdfs().value(0));
    const QString prefix = m_root.filePath(QStringLiteral("corner"));
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-gray"),
                  QStringLiteral("-singlefile"), pdf, prefix});
    ASSERT_TRUE(render.waitForFinished(60000) && render.exitCode() == 0)
        << render.readAllStandardError().toStdString();
    const QImage page(prefix + QStringLiteral(".pgm"));
    ASSERT_FALSE(page.isNull());
    // The whole A4 sheet at 60 dpi: one rendered pixel for 10 of the device.
    ASSERT_NEAR(page.width(), 496, 1);
    ASSERT_NEAR(page.height(), 702, 1);
    const auto black = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
    struct Probe
    {
        int x, y;
        bool ink;
    };
    const int right = page.width() - 1;
    const int bottom = page.height() - 1;
    for (const Probe& p : {Probe{5, 5, false}, Probe{12, 12, true}, Probe{28, 28, true}, Probe{5, 20, false},
                           Probe{20, 5, false}, Probe{32, 32, false}, Probe{right - 5, bottom - 5, false},
                           Probe{right - 12, bottom - 12, true}, Probe{right - 32, bottom - 32, false}}) {
        EXPECT_EQ(black(p.x, p.y), p.ink) << p.x << "," << p.y;
    }
}

TEST_F(PageDeviceTest, OrientationChangesFromTheNextPage)
{
    std::string error;
    auto device = makePageDevice(*m_spooler, PageDeviceRequest{"Office", {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    ASSERT_TRUE(device->startDoc("Mixed"));
    ASSERT_TRUE(device->startPage());
    EXPECT_FALSE(device->setOrientation(spooler::Orientation::Landscape)); // not inside a page
    ASSERT_TRUE(device->endPage());
    ASSERT_TRUE(device->setOrientation(spooler::Orientation::Landscape));
    EXPECT_GT(device->caps().width, device->caps().height);
    ASSERT_TRUE(device->startPage());
    ASSERT_TRUE(device->endPage());
    ASSERT_TRUE(device->endDoc()) << device->errorText();
    const QString pdf = QDir(m_printerDir).filePath(spooledPdfs().value(0));
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                              QStringLiteral("2"), pdf});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(
        out.contains(QRegularExpression(QStringLiteral("Page +1 size: +595(\\.\\d+)? x 84[12](\\.\\d+)? "))))
        << out.toStdString();
    EXPECT_TRUE(
        out.contains(QRegularExpression(QStringLiteral("Page +2 size: +84[12](\\.\\d+)? x 595(\\.\\d+)? "))))
        << out.toStdString();
}

TEST_F(PageDeviceTest, AnAbortedJobLeavesNothing)
{
    std::string error;
    {
        auto device = makePageDevice(*m_spooler, PageDeviceRequest{"Office", {}, {}}, &error);
        ASSERT_TRUE(device) << error;
        ASSERT_TRUE(device->startDoc("Cancelled"));
        drawPages(*device, 2, m_fonts);
        device->abortDoc();
        EXPECT_FALSE(device->endDoc()); // the document is gone
    }
    {
        // A device dropped in the middle of a page aborts as well.
        auto device = makePageDevice(*m_spooler, PageDeviceRequest{"Office", {}, {}}, &error);
        ASSERT_TRUE(device->startDoc("Dropped"));
        ASSERT_TRUE(device->startPage());
    }
    EXPECT_TRUE(spooledPdfs().isEmpty());
    EXPECT_TRUE(filesIn(m_tmp).isEmpty()) << filesIn(m_tmp).join(QLatin1Char(' ')).toStdString();
}

TEST_F(PageDeviceTest, UnknownPrinterIsRefused)
{
    std::string error;
    EXPECT_FALSE(makePageDevice(*m_spooler, PageDeviceRequest{"Nowhere", {}, {}}, &error));
    EXPECT_NE(error.find("Nowhere"), std::string::npos) << error;
}

TEST_F(PageDeviceTest, PdfDriverNamesWriteTheNamedFileAtomically)
{
    const QString out = m_root.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    const QString target = QDir(out).filePath(QStringLiteral("report.pdf"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    for (const char* name : {"Microsoft Print to PDF", "pdfcreator", "WIN2PDF"}) {
        EXPECT_TRUE(isPdfDriverName(name)) << name;
    }
    EXPECT_FALSE(isPdfDriverName("Office"));

    std::string error;
    auto device =
        makePageDevice(*m_spooler, PageDeviceRequest{"PDFCreator", target.toStdString(), {}}, &error);
    ASSERT_TRUE(device) << error;
    ASSERT_NE(dynamic_cast<PdfFilePageDevice*>(device.get()), nullptr);
    ASSERT_TRUE(device->startDoc("To file")) << device->errorText();
    drawPages(*device, 2, m_fonts);
    // Until the end the target keeps its old contents; the pages are in a file beside it.
    QFile before(target);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    EXPECT_EQ(before.readAll(), QByteArray("old contents"));
    EXPECT_EQ(filesIn(out).size(), 2);
    ASSERT_TRUE(device->endDoc()) << device->errorText();
    EXPECT_EQ(pdfInfo(target, "Pages"), "2");
    EXPECT_EQ(filesIn(out), QStringList{QStringLiteral("report.pdf")});
    EXPECT_TRUE(spooledPdfs().isEmpty()); // nothing went to a printer
}

TEST_F(PageDeviceTest, AbortedPdfFileKeepsTheOldFile)
{
    const QString target = m_root.filePath(QStringLiteral("keep.pdf"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    PdfFilePageDevice device(target.toStdString(), PageSetup{});
    ASSERT_TRUE(device.startDoc("x"));
    drawPages(device, 1, m_fonts);
    device.abortDoc();
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
    EXPECT_EQ(filesIn(m_root.path()), QStringList{QStringLiteral("keep.pdf")});
}

TEST_F(PageDeviceTest, PdfFileDeviceRefusesBadTargetsAndEmptyDocuments)
{
    PdfFilePageDevice relative("relative.pdf", PageSetup{});
    EXPECT_FALSE(relative.startDoc("x"));
    EXPECT_NE(relative.errorText().find("absolute"), std::string::npos);
    PdfFilePageDevice missing(m_root.filePath(QStringLiteral("no/such/dir/x.pdf")).toStdString(),
                              PageSetup{});
    EXPECT_FALSE(missing.startDoc("x"));
    const QString target = m_root.filePath(QStringLiteral("empty.pdf"));
    PdfFilePageDevice empty(target.toStdString(), PageSetup{});
    ASSERT_TRUE(empty.startDoc("x"));
    EXPECT_FALSE(empty.endDoc());
    EXPECT_NE(empty.errorText().find("no pages"), std::string::npos);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(PageDeviceTest, PdfDriverWithoutOutputNameGetsATemporaryPdfName)
{
    std::string error;
    auto device = makePageDevice(*m_spooler, PageDeviceRequest{"Win2PDF", {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    const auto* file = dynamic_cast<PdfFilePageDevice*>(device.get());
    ASSERT_NE(file, nullptr);
    const QFileInfo name(QString::fromStdString(file->outputPath()));
    EXPECT_EQ(name.absolutePath(), QFileInfo(m_tmp).absoluteFilePath());
    EXPECT_TRUE(name.fileName().startsWith(QStringLiteral("pdf")));
    EXPECT_FALSE(name.exists()); // the device creates it
}

TEST_F(PageDeviceTest, StateLastsAcrossPagesAndCallsOutOfOrderFail)
{
    ImagePageDevice device(ImageDc::capsFor(40, 20, 100));
    EXPECT_FALSE(device.startPage());
    EXPECT_NE(device.errorText().find("no document"), std::string::npos);
    ASSERT_TRUE(device.startDoc("images"));
    EXPECT_FALSE(device.startDoc("again"));
    device.dc()->setTextColor({255, 0, 0});
    device.dc()->selectPen(Pen{PenStyle::Solid, 1, {0, 0, 255}});
    for (int page = 0; page < 2; ++page) {
        ASSERT_TRUE(device.startPage());
        device.dc()->moveTo({0, page});
        device.dc()->lineTo({10, page});
        ASSERT_TRUE(device.endPage());
    }
    EXPECT_FALSE(device.endPage());
    ASSERT_TRUE(device.endDoc());
    ASSERT_EQ(device.pages().size(), 2u);
    // Each page holds only its own drawing.
    EXPECT_EQ(QColor(device.pages()[0].pixel(0, 0)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(device.pages()[0].pixel(0, 1)), QColor(Qt::white));
    EXPECT_EQ(QColor(device.pages()[1].pixel(0, 0)), QColor(Qt::white));
    EXPECT_EQ(QColor(device.pages()[1].pixel(9, 1)), QColor(0, 0, 255));
    EXPECT_EQ(device.dc()->textColor(), (Color{255, 0, 0}));
}

} // namespace
} // namespace platform::draw
