// The printer test: the settings report, the checks before anything prints, and whole tests
// printed to the folder spooler, one after the other and at once.

#include "typestone/engine/engine_host.h"
#include "typestone/engine/printer_open_lock.h"
#include "typestone/server/printer_test.h"

#include "platform/spooler/folder_spooler.h"

#include "tests/support/draw/fake_font_engine.h"

#include "app_fixture.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace typestone;
namespace fs = std::filesystem;

namespace {

// A host that keeps the boxes it was asked to show.
class BoxHost : public EngineHost
{
public:
    int TracedBox(const std::string& text, unsigned, uint32_t) override
    {
        // Nobody is asked anything while the printers are locked.
        const bool printersFree = PrinterOpenLock::Shared().lock(std::chrono::milliseconds(0));
        if (printersFree)
            PrinterOpenLock::Shared().unlock();
        std::lock_guard<std::mutex> lock(m_mutex);
        boxes.push_back(text);
        askedWhileLocked += printersFree ? 0 : 1;
        return 1;
    }
    std::vector<std::string> boxes;
    int askedWhileLocked = 0;

private:
    std::mutex m_mutex;
};

DevMode fixedSettings()
{
    platform::spooler::PrinterDefaults s;
    s.media = "iso_a4_210x297mm";
    s.orientation = platform::spooler::Orientation::Landscape;
    s.copies = 2;
    s.sides = platform::spooler::Sides::TwoSidedLongEdge;
    s.colorMode = platform::spooler::ColorMode::Monochrome;
    s.quality = platform::spooler::PrintQuality::High;
    s.resolution = {1200, 600};
    DevMode m("Office", s);
    m.extra = {{"output-bin", "top"}};
    return m;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(PrinterSettingsReportTest, FixedSettingsGiveTheKnownReport)
{
    platform::spooler::PrinterInfo info;
    info.name = "Office";
    info.makeAndModel = "Local Raw Printer";
    info.deviceUri = "file:/spool/Office";
    EngineHost host;
    const std::string expected = "Typestone Print Server\n"
                                 "Office\n"
                                 "Printed with Typestone\n"
                                 "Page\n"
                                 "Printer Configuration"
                                 "\nDeviceName$ $ $ Office"
                                 "\nDeviceDriver$ $ $ Local Raw Printer"
                                 "\nOutputPort$ $ $ file:/spool/Office"
                                 "\nSpecVersion$ 0x0001$ 1"
                                 "\nSize$ 0x0078$ 120"
                                 "\nDriverExtra$ 0x000f$ 15"
                                 "\nFields$ 0x00013d03$ 81155"
                                 "\nOrientation$ 0x0002$ 2$ DMORIENT_LANDSCAPE"
                                 "\nPaperSize$ 0x0009$ 9$ DMPAPER_A4 A4 sheet, 210 by 297 millimeters"
                                 "\nCopies$ 0x0002$ 2"
                                 "\nPrintQuality$ 0xfffc$ 65532$ DMRES_HIGH"
                                 "\nColor$ 0x0001$ 1$ DMCOLOR_MONOCHROME"
                                 "\nDuplex$ 0x0002$ 2$ DMDUP_VERTICAL"
                                 "\nYResolution$ 0x0258$ 600"
                                 "\nFormName$ $ $ iso_a4_210x297mm\n";
    EXPECT_EQ(PrinterSettingsReport("Office", info, fixedSettings(), host), expected);

    // A sheet without a paper code is named by its form alone, its code marked not set.
    DevMode odd = fixedSettings();
    odd.settings.media = "om_small-photo_100x150mm";
    const std::string report = PrinterSettingsReport("Office", info, odd, host);
    EXPECT_NE(report.find("\nPaperSize (nc)$ 0x0000$ 0\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\nFields$ 0x00013d01$ 81153"), std::string::npos) << report;
}

class PrintTestFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_folders.path("spool/Office"));
        fs::create_directories(m_folders.path("spool/Back Office"));
        fs::create_directories(m_folders.path("data"));
        fs::copy_file(TYPESTONE_TEST_PRINTER_STREAM, m_folders.path("data/TYPST.PRT"));
        std::string error;
        m_spooler = platform::spooler::FolderSpooler::open(m_folders.path("spool"), &error);
        ASSERT_TRUE(m_spooler) << error;
        m_setup.spooler = m_spooler.get();
        m_setup.makeFontEngine = [] { return std::make_unique<platform::draw::FakeFontEngine>(); };
        m_setup.spoolFolder = m_folders.path("state");
        m_places.dataFolder = m_folders.path("data");
        m_places.stateFolder = m_folders.path("state");
    }

    std::vector<std::string> pdfsOf(const std::string& printer)
    {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(m_folders.path("spool/" + printer)))
            if (e.path().extension() == ".pdf")
                found.push_back(e.path().string());
        return found;
    }

    apptest::TempFolders m_folders;
    std::unique_ptr<platform::spooler::FolderSpooler> m_spooler;
    EngineSetup m_setup;
    PrinterTestPlaces m_places;
    BoxHost m_host;
};

TEST_F(PrintTestFileTest, PrintsTheStreamAndTheReportOfItsSettings)
{
    const DevMode settings = fixedSettings();
    const PrinterTestResult r =
        PrintTestFile(m_setup, m_host, m_places, "Office", &settings, kPrinterTestFile);
    ASSERT_TRUE(r.ok) << (m_host.boxes.empty() ? "" : m_host.boxes.front());
    EXPECT_TRUE(m_host.boxes.empty());
    EXPECT_EQ(r.jobName.rfind("TYPST_TEST_Office_", 0), 0u) << r.jobName;

    // The report is the one of the settings the printer was given.
    ASSERT_FALSE(r.reportPath.empty());
    EXPECT_EQ(fs::path(r.reportPath).parent_path(), fs::path(m_folders.path("state")));
    platform::spooler::PrinterInfo info = *m_spooler->printer("Office");
    DevMode merged = settings;
    merged.settings.margins = m_spooler->defaults("Office", nullptr)->margins;
    EXPECT_EQ(readFile(r.reportPath), PrinterSettingsReport("Office", info, merged, m_host));

    // The test page and the report page reached the printer, in landscape.
    const std::vector<std::string> pdfs = pdfsOf("Office");
    ASSERT_EQ(pdfs.size(), 1u);
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdfs.front())});
    ASSERT_TRUE(pdfinfo.waitForFinished(30000));
    const QString out = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages: +2\\n")))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Page size: +842 x 595 "))))
        << out.toStdString();
}

TEST_F(PrintTestFileTest, WithoutSettingsThePrintersOwnAndNoReport)
{
    const PrinterTestResult r = PrintTestFile(m_setup, m_host, m_places, "Office", nullptr, kPrinterTestFile);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.reportPath.empty());
    EXPECT_EQ(pdfsOf("Office").size(), 1u);
}

TEST_F(PrintTestFileTest, RefusedBeforeAnythingPrints)
{
    std::ofstream(m_folders.path("data/EMPTY.PRT")).close();
    const std::string missing = (fs::path(m_folders.path("data")) / "GONE.PRT").string();
    struct Case
    {
        std::string printer;
        std::string file;
        std::string box;
    };
    const Case cases[] = {
        {"", kPrinterTestFile, "The printer name must be 1 to 254 characters long."},
        {std::string(255, 'P'), kPrinterTestFile, "The printer name must be 1 to 254 characters long."},
        {"Office", "GONE.PRT",
         "File '" + missing + "' was not found.\nThis file is required to perform the printer test."},
        {"Office", "EMPTY.PRT", "File '" + m_folders.path("data/EMPTY.PRT") + "' was not found."},
        // A name from elsewhere stays inside the data folder.
        {"Office", "../spool/GONE.PRT", "File '" + missing + "' was not found."},
    };
    const DevMode settings = fixedSettings();
    for (const Case& c : cases) {
        m_host.boxes.clear();
        EXPECT_FALSE(PrintTestFile(m_setup, m_host, m_places, c.printer, &settings, c.file).ok) << c.file;
        ASSERT_EQ(m_host.boxes.size(), 1u) << c.file;
        EXPECT_EQ(m_host.boxes.front().rfind(c.box, 0), 0u) << m_host.boxes.front();
    }
    EXPECT_TRUE(pdfsOf("Office").empty());
    EXPECT_EQ(m_host.askedWhileLocked, 0);
}

TEST_F(PrintTestFileTest, TestsCountOnWhateverTheirPrinterAndNeverShareAReport)
{
    const DevMode settings = fixedSettings();
    const PrinterTestResult first =
        PrintTestFile(m_setup, m_host, m_places, "Office", &settings, kPrinterTestFile);
    const PrinterTestResult second =
        PrintTestFile(m_setup, m_host, m_places, "Back Office", &settings, kPrinterTestFile);
    ASSERT_TRUE(first.ok && second.ok);
    const unsigned n = std::stoul(first.jobName.substr(first.jobName.rfind('_') + 1));
    EXPECT_EQ(second.jobName, "TYPST_TEST_Back Office_" + std::to_string(n + 1));

    // Two at once: each its own report, each report its own printer's.
    PrinterTestResult a, b;
    std::thread ta(
        [&] { a = PrintTestFile(m_setup, m_host, m_places, "Office", &settings, kPrinterTestFile); });
    std::thread tb(
        [&] { b = PrintTestFile(m_setup, m_host, m_places, "Back Office", &settings, kPrinterTestFile); });
    ta.join();
    tb.join();
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_NE(a.reportPath, b.reportPath);
    EXPECT_NE(readFile(a.reportPath).find("\nOffice\n"), std::string::npos);
    EXPECT_NE(readFile(b.reportPath).find("\nBack Office\n"), std::string::npos);
    EXPECT_EQ(pdfsOf("Office").size(), 2u);
    EXPECT_EQ(pdfsOf("Back Office").size(), 2u);
}

} // namespace
