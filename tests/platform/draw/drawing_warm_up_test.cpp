// The start-up's warm-up of fonts and the PDF writer: it runs on threads that end, beside
// others that draw, leaves no file, and drawing goes on as before once those threads are gone.
#include "platform/draw/drawing_warm_up.h"
#include "platform/draw/pdf_page_writer.h"
#include "platform/draw/qt_font_engine.h"
#include "support/fonts/test_fonts.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <thread>

namespace platform::draw {
namespace {

// Every face the warm-up asks for is one of the test fonts' (Liberation, DejaVu).
constexpr int kWarmFaces = 9;

// The names in a folder, one string.
std::string entriesOf(const QString& folder)
{
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)
        .join(u',')
        .toStdString();
}

// A one-page PDF with a line of text, as a job's worker thread makes it; the error when not.
std::string drawPage(const std::string& path)
{
    QtFontEngine fonts;
    std::string error;
    const FontHandle courier = fonts.createFont(makeLogFont("Courier New", -50), &error);
    if (!courier)
        return error;
    PdfPageWriter writer{PageSetup{}};
    if (!writer.open(path, "page", &error) || !writer.startPage(&error))
        return error;
    writer.dc()->selectFont(courier);
    if (!writer.dc()->textOut({100, 100}, "After the warm-up"))
        return "no text drawn";
    if (!writer.endPage(&error) || !writer.close(&error))
        return error;
    return {};
}

TEST(DrawingWarmUpTest, RunsOnThreadsThatEndBesideDrawingAndLeavesNoFile)
{
    test_support::useTestFonts();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A temporary folder and a current one of the test's own, where a file left would show.
    const QString temp = dir.filePath("tmp");
    const QString current = dir.filePath("current");
    ASSERT_TRUE(QDir().mkpath(temp) && QDir().mkpath(current));
    const QString oldCurrent = QDir::currentPath();
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.toUtf8());
    ASSERT_TRUE(QDir::setCurrent(current));

    int warmed[2] = {-1, -1};
    std::string during;
    {
        std::jthread first([&] { warmed[0] = warmUpDrawing(); });
        std::jthread second([&] { warmed[1] = warmUpDrawing(); });
        during = drawPage(dir.filePath("during.pdf").toStdString());
    }
    EXPECT_EQ(warmed[0], kWarmFaces);
    EXPECT_EQ(warmed[1], kWarmFaces);
    EXPECT_EQ(during, "");

    // What the warm-up's threads held is gone with them; a new thread draws as before.
    std::string after = "not run";
    std::jthread([&] { after = drawPage(dir.filePath("after.pdf").toStdString()); }).join();
    EXPECT_EQ(after, "");
    for (const char* name : {"during.pdf", "after.pdf"}) {
        QFile pdf(dir.filePath(name));
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << name;
        EXPECT_TRUE(pdf.readAll().startsWith("%PDF-")) << name;
    }

    EXPECT_EQ(entriesOf(temp), "");
    EXPECT_EQ(entriesOf(current), "");
    QDir::setCurrent(oldCurrent);
    if (oldTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTemp);
}

TEST(DrawingWarmUpTest, WithoutAGuiApplicationItTouchesNoFont)
{
    if (QCoreApplication::instance())
        GTEST_SKIP() << "another test of this process made the application";
    EXPECT_EQ(warmUpDrawing(), 0);
}

} // namespace
} // namespace platform::draw
