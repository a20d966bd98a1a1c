// An interpreted job from the spool file to the folder spooler's PDF, read back with poppler.

#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "tests/support/env/temp_dir.h"
#include "tests/support/fonts/test_fonts.h"

#include "platform/draw/page_device_factory.h"
#include "platform/draw/qt_font_engine.h"
#include "platform/spooler/folder_spooler.h"

#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string runCommand(const std::string& command)
{
    std::string out;
    std::FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr)
        return out;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    return out;
}

class EndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        m_dir = m_folder.path();
        std::string error;
        m_spooler = platform::spooler::FolderSpooler::open((m_dir / "spool").string(), &error);
        ASSERT_TRUE(m_spooler) << error;
        ASSERT_TRUE(m_spooler->addPrinter("Office", &error)) << error;
    }

    // A job printer with a PDF folder and drive C mapped to the folder "c", whose pages go to
    // the test's folder spooler.
    void prepareNamedOutput(typestone::CWinPrt& prt, platform::draw::QtFontEngine& fonts)
    {
        prt.SetSpoolFolder(m_dir.string());
        prt.SetFontEngine(&fonts);
        prt.SetPdfFolder((m_dir / "pdf").string());
        fs::create_directories(m_dir / "pdf");
        typestone::DriveMap map;
        map.add('C', (m_dir / "c").string());
        prt.SetDriveMap(map);
        prt.SetDeviceFactory([this](const typestone::EngineDeviceRequest& r, std::string* error) {
            platform::draw::PageDeviceRequest request;
            request.printer = r.printer;
            request.outputFile = r.outputFile;
            return platform::draw::makePageDevice(*m_spooler, request, error);
        });
    }
    // The ink share of the cell (column, row) of an 80 x 58 grid on a page rendered at 100 dpi:
    // the grid fills the printable area inside the folder printer's default margins of 4.23 mm.
    static double ink(const QImage& page, int column, int row)
    {
        const double margin = 4.23 / 25.4 * 100;
        const double cw = (page.width() - 2 * margin) / 80.0;
        const double ch = (page.height() - 2 * margin) / 58.0;
        int dark = 0;
        int all = 0;
        for (int y = static_cast<int>(margin + row * ch); y < static_cast<int>(margin + (row + 1) * ch); ++y)
            for (int x = static_cast<int>(margin + column * cw);
                 x < static_cast<int>(margin + (column + 1) * cw); ++x) {
                ++all;
                dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
            }
        return all ? static_cast<double>(dark) / all : 0.0;
    }

    ts::support::TempDir m_folder{"engine-e2e"};
    fs::path m_dir;
    std::unique_ptr<platform::spooler::FolderSpooler> m_spooler;
};

TEST_F(EndToEnd, TextBoxesAndFormFeedsMakeAPdfWithInkInTheCells)
{
    platform::draw::QtFontEngine fonts;
    typestone::CWinPrt prt;
    prt.SetSpoolFolder(m_dir.string());
    prt.SetFontEngine(&fonts);
    prt.SetDeviceFactory([this](const typestone::EngineDeviceRequest& r, std::string* error) {
        platform::draw::PageDeviceRequest request;
        request.printer = r.printer;
        request.outputFile = r.outputFile;
        return platform::draw::makePageDevice(*m_spooler, request, error);
    });

    typestone::INIT_DATA record = typestone::DefaultInitData();
    std::strcpy(record.printer, "Office");
    // Row 0: text, bold, underline. Rows 2-4: a box. Page 2 and page 3: one word each.
    const std::string stream = "Hello \x0E"
                               "Bold\x0F \x0BUnder\x16\r\n\r\n"
                               "\xDA\xC4\xC4\xC4\xBF\r\n\xB3   \xB3\r\n\xC0\xC4\xC4\xC4\xD9\r\n"
                               "\fPage2\fPage3\f";
    ASSERT_TRUE(prt.StartSpoolPrtJob(100, &record, "host_7"));
    ASSERT_TRUE(prt.SpoolData(stream.data(), stream.size()));
    ASSERT_TRUE(prt.StopSpoolPrtJob());

    fs::path pdf;
    for (const auto& e : fs::directory_iterator(m_dir / "spool" / "Office"))
        if (e.path().extension() == ".pdf")
            pdf = e.path();
    ASSERT_FALSE(pdf.empty());
    const std::string info = runCommand("pdfinfo '" + pdf.string() + "'");
    const auto at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(at + 6)), 3) << info;

    const std::string prefix = (m_dir / "page").string();
    runCommand("pdftoppm -r 100 -gray -f 1 -l 2 '" + pdf.string() + "' '" + prefix + "'");
    QImage page1;
    QImage page2;
    for (const auto& e : fs::directory_iterator(m_dir)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("page-1.", 0) == 0 || name.rfind("page-01.", 0) == 0 || name.rfind("page-1", 0) == 0)
            page1.load(QString::fromStdString(e.path().string()));
        if (name.rfind("page-2.", 0) == 0 || name.rfind("page-02.", 0) == 0)
            page2.load(QString::fromStdString(e.path().string()));
    }
    ASSERT_FALSE(page1.isNull());
    ASSERT_FALSE(page2.isNull());

    for (int col : {0, 1, 2, 3, 4, 6, 7, 8, 9, 11, 12, 13, 14, 15})
        EXPECT_GT(ink(page1, col, 0), 0.02) << "text cell " << col;
    EXPECT_LT(ink(page1, 5, 0), 0.01) << "blank between words";
    // The box: corners and lines on rows 2 to 4, nothing inside it.
    for (int col : {0, 1, 2, 3, 4}) {
        EXPECT_GT(ink(page1, col, 2), 0.01) << "top edge " << col;
        EXPECT_GT(ink(page1, col, 4), 0.01) << "bottom edge " << col;
    }
    EXPECT_GT(ink(page1, 0, 3), 0.01);
    EXPECT_GT(ink(page1, 4, 3), 0.01);
    EXPECT_LT(ink(page1, 2, 3), 0.01) << "inside of the box";
    EXPECT_LT(ink(page1, 40, 20), 0.001) << "empty middle of the page";
    EXPECT_GT(ink(page2, 0, 0), 0.02);
    EXPECT_LT(ink(page2, 0, 2), 0.001);
}

TEST_F(EndToEnd, OutputNamedByTheStreamReplacesTheFileInPlace)
{
    platform::draw::QtFontEngine fonts;
    typestone::CWinPrt prt;
    prepareNamedOutput(prt, fonts);
    fs::create_directories(m_dir / "c");
    {
        std::ofstream old(m_dir / "c" / "Y.PDF");
        old << "old";
    }
    typestone::INIT_DATA record = typestone::DefaultInitData();
    std::strcpy(record.printer, "PDFCreator");
    ASSERT_TRUE(prt.StartSpoolPrtJob(100, &record, "host_8"));
    ASSERT_TRUE(prt.SpoolData("A", 1));
    prt.SetOutputName("C:\\Y.PDF"); // as the stream's output command leaves it
    ASSERT_TRUE(prt.StopSpoolPrtJob());
    EXPECT_FALSE(fs::exists(m_dir / "pdf" / "host_8.pdf"));
    ASSERT_TRUE(fs::exists(m_dir / "c" / "Y.PDF"));
    const std::string info = runCommand("pdfinfo '" + (m_dir / "c" / "Y.PDF").string() + "'");
    EXPECT_NE(info.find("Pages:"), std::string::npos) << info;
}

TEST_F(EndToEnd, OutputNamedByTheStreamOnNoDriveLandsInThePdfFolder)
{
    platform::draw::QtFontEngine fonts;
    typestone::CWinPrt prt;
    prepareNamedOutput(prt, fonts);
    typestone::INIT_DATA record = typestone::DefaultInitData();
    std::strcpy(record.printer, "PDFCreator");
    ASSERT_TRUE(prt.StartSpoolPrtJob(100, &record, "host_9"));
    ASSERT_TRUE(prt.SpoolData("A", 1));
    prt.SetOutputName("Q:\\ELSEWHERE\\MOVED.PDF");
    ASSERT_TRUE(prt.StopSpoolPrtJob());
    EXPECT_FALSE(fs::exists(m_dir / "pdf" / "host_9.pdf"));
    EXPECT_EQ(prt.OutputFile(), (m_dir / "pdf" / "MOVED.PDF").string());
    const std::string info = runCommand("pdfinfo '" + (m_dir / "pdf" / "MOVED.PDF").string() + "'");
    EXPECT_NE(info.find("Pages:"), std::string::npos) << info;
}

} // namespace
