// The job's configuration, its printer's information under the printer-open lock, and the page
// orientation of a running job.

#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/init_data.h"
#include "typestone/engine/printer_open_lock.h"
#include "typestone/engine/win_prt.h"

#include "platform/spooler/folder_spooler.h"

#include "tests/support/draw/fake_font_engine.h"
#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using engine_test::DeviceLog;
using engine_test::pageCaps;
using engine_test::RecordingPageDevice;
using typestone::CWinPrt;
using typestone::FieldText;
using typestone::INIT_DATA;

namespace {

using namespace std::chrono_literals;

TEST(SetConfigTest, WithoutARecordTheBuiltInGrid)
{
    CWinPrt prt;
    INIT_DATA r = typestone::DefaultInitData();
    std::strcpy(r.printer, "Office");
    std::strcpy(r.output, "C:\\OUT.PDF");
    ASSERT_TRUE(prt.SetConfig(&r, false));
    ASSERT_TRUE(prt.SetConfig(nullptr, false));
    const INIT_DATA& d = prt.InitData();
    EXPECT_EQ(uint16_t(d.cols), 80);
    EXPECT_EQ(uint16_t(d.rows), 58);
    EXPECT_EQ(uint16_t(d.options), 1);
    EXPECT_EQ(uint16_t(d.snd_color), 7);
    EXPECT_EQ(FieldText(d.printer), "");
    EXPECT_EQ(FieldText(d.output), "");
    EXPECT_EQ(FieldText(d.docname), "");
    EXPECT_FALSE(prt.PrinterData().has_value());
}

TEST(SetConfigTest, ARecordGivesItsNamesGridOptionsAndColourButNotThePassword)
{
    CWinPrt prt;
    INIT_DATA r = typestone::DefaultInitData();
    std::strcpy(r.printer, "Office");
    std::strcpy(r.password, "SECRET");
    std::strcpy(r.docname, "Invoices");
    std::strcpy(r.output, "C:\\PDF\\X.PDF");
    r.cols = 132;
    r.rows = 66;
    r.options = 6;
    r.snd_color = 12;
    ASSERT_TRUE(prt.SetConfig(&r, true));
    const INIT_DATA& d = prt.InitData();
    EXPECT_EQ(FieldText(d.printer), "Office");
    EXPECT_EQ(FieldText(d.docname), "Invoices");
    EXPECT_EQ(FieldText(d.output), "C:\\PDF\\X.PDF");
    EXPECT_EQ(FieldText(d.password), "");
    EXPECT_EQ(uint16_t(d.cols), 132);
    EXPECT_EQ(uint16_t(d.rows), 66);
    EXPECT_EQ(uint16_t(d.options), 6);
    EXPECT_EQ(uint16_t(d.snd_color), 12);
}

TEST(SetConfigTest, APrinterNameFillingItsFieldIsRefusedNotCut)
{
    struct Case
    {
        size_t length;
        bool ok;
    };
    for (const Case c : {Case{254, true}, Case{255, false}}) {
        CWinPrt prt;
        INIT_DATA r = typestone::DefaultInitData();
        std::memset(r.printer, 'P', c.length);
        EXPECT_EQ(prt.SetConfig(&r, false), c.ok) << c.length;
        EXPECT_EQ(FieldText(prt.InitData().printer).size(), c.ok ? c.length : 0u) << c.length;

        // A job on such a name never reaches a device.
        int devices = 0;
        prt.SetDeviceFactory([&devices](const typestone::EngineDeviceRequest&, std::string*) {
            ++devices;
            return std::make_unique<RecordingPageDevice>(std::make_shared<DeviceLog>(), pageCaps());
        });
        EXPECT_EQ(prt.StartPrtJob(&r, "job", false), c.ok) << c.length;
        EXPECT_EQ(devices, c.ok ? 1 : 0) << c.length;
        if (c.ok) {
            EXPECT_TRUE(prt.StopPrtJob(true));
        }
    }
}

class PrinterInfoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        std::filesystem::create_directories(m_folder.path("spool/Office"));
        std::string error;
        m_spooler = platform::spooler::FolderSpooler::open(m_folder.path("spool"), &error);
        ASSERT_TRUE(m_spooler) << error;
    }
    ts::support::TempDir m_folder;
    std::unique_ptr<platform::spooler::FolderSpooler> m_spooler;
};

TEST_F(PrinterInfoTest, SetConfigReadsThePrinterOfEveryJob)
{
    CWinPrt prt;
    prt.SetSpooler(m_spooler.get());
    INIT_DATA r = typestone::DefaultInitData();
    std::strcpy(r.printer, "Office");
    prt.SetConfig(&r, false);
    ASSERT_TRUE(prt.PrinterData().has_value());
    EXPECT_EQ(prt.PrinterData()->name, "Office");

    std::strcpy(r.printer, "Gone");
    prt.SetConfig(&r, false);
    EXPECT_FALSE(prt.PrinterData().has_value());
    // A failed open let the lock go.
    EXPECT_TRUE(typestone::PrinterOpenLock::Shared().lock(0ms));
    typestone::PrinterOpenLock::Shared().unlock();
}

TEST_F(PrinterInfoTest, TheLockIsHeldWhileThePrinterIsOpenAndItsWaitEnds)
{
    typestone::PrinterOpenLock lock;
    std::string error;
    auto open = typestone::OpenPrinter::open(*m_spooler, "Office", &error, lock, 0ms);
    ASSERT_TRUE(open) << error;
    EXPECT_EQ(open->info().name, "Office");
    EXPECT_TRUE(open->defaults(&error).has_value()) << error;

    // A second caller gives up after its time-out, with a reason.
    EXPECT_FALSE(typestone::OpenPrinter::open(*m_spooler, "Office", &error, lock, 50ms));
    EXPECT_NE(error.find("busy"), std::string::npos) << error;

    // Another thread waiting gets the printer as soon as the first one closes it.
    bool gotIt = false;
    std::thread waiter([&] {
        std::string why;
        gotIt = typestone::OpenPrinter::open(*m_spooler, "Office", &why, lock, 30s) != nullptr;
    });
    std::this_thread::sleep_for(20ms);
    open.reset();
    waiter.join();
    EXPECT_TRUE(gotIt);

    // An unknown printer leaves the lock free.
    EXPECT_FALSE(typestone::OpenPrinter::open(*m_spooler, "Gone", &error, lock, 0ms));
    EXPECT_NE(error.find("'Gone' not found"), std::string::npos) << error;
    EXPECT_TRUE(typestone::OpenPrinter::open(*m_spooler, "Office", &error, lock, 0ms)) << error;
}

// A device whose pages turn: it logs every change and swaps its sheet.
class TurningPageDevice : public RecordingPageDevice
{
public:
    TurningPageDevice(std::shared_ptr<DeviceLog> log, platform::draw::DeviceCaps caps, bool refuse)
        : RecordingPageDevice(log, caps), m_log(std::move(log)), m_refuse(refuse)
    {
    }
    bool setOrientation(platform::spooler::Orientation orientation) override
    {
        const bool landscape = orientation == platform::spooler::Orientation::Landscape;
        m_log->calls.push_back(landscape ? "landscape" : "portrait");
        return !m_refuse;
    }

private:
    std::shared_ptr<DeviceLog> m_log;
    bool m_refuse;
};

TEST(ChangeOrientationTest, TurnsTheJobsOwnPagesFromTheNextPageOn)
{
    platform::draw::DeviceCaps landscapeSheet = pageCaps();
    std::swap(landscapeSheet.width, landscapeSheet.height);
    std::swap(landscapeSheet.physicalWidth, landscapeSheet.physicalHeight);
    struct Case
    {
        const char* name;
        platform::draw::DeviceCaps sheet;
        bool refuse;
        bool landscape;
        bool result;
        bool afterwards; // IsLandscape()
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"portrait to landscape", pageCaps(), false, true, true, true, {"endPage", "landscape"}},
        {"portrait stays", pageCaps(), false, false, true, false, {"endPage"}},
        {"landscape job stays", landscapeSheet, false, true, true, true, {"endPage"}},
        {"landscape job to portrait", landscapeSheet, false, false, true, false, {"endPage", "portrait"}},
        {"device refuses", pageCaps(), true, true, false, false, {"endPage", "landscape"}},
    };
    for (const Case& c : cases) {
        auto log = std::make_shared<DeviceLog>();
        platform::draw::FakeFontEngine fonts;
        CWinPrt prt;
        prt.SetFontEngine(&fonts);
        prt.SetDeviceFactory([&](const typestone::EngineDeviceRequest&, std::string*) {
            return std::make_unique<TurningPageDevice>(log, c.sheet, c.refuse);
        });
        INIT_DATA r = typestone::DefaultInitData();
        std::strcpy(r.printer, "Office");
        ASSERT_TRUE(prt.StartPrtJob(&r, "job", false)) << c.name;
        ASSERT_TRUE(prt.StartPage()) << c.name;
        log->calls.clear();
        EXPECT_EQ(prt.ChangeOrientation(c.landscape), c.result) << c.name;
        EXPECT_EQ(prt.IsLandscape(), c.afterwards) << c.name;
        EXPECT_EQ(log->calls, c.calls) << c.name;
        EXPECT_FALSE(prt.IsPageStarted()) << c.name;
        EXPECT_TRUE(prt.StopPrtJob(true)) << c.name;
    }
}

// Which settings a job's pages are made with: the job's own when it brings them (the printer
// test's), else the ones stored for its printer, else (nothing stored, or nothing to ask) the
// printer's own, which the device takes for every setting left unset.
TEST(JobSettingsTest, TheJobsOwnElseTheStoredElseThePrintersOwn)
{
    platform::spooler::PrintOptions own;
    own.media = "iso_a5_148x210mm";
    platform::spooler::PrintOptions stored;
    stored.media = "na_letter_8.5x11in";
    stored.copies = 3;
    struct Case
    {
        const char* name;
        const platform::spooler::PrintOptions* given;
        bool source;                                        // a stored-settings source is set
        std::optional<platform::spooler::PrintOptions> has; // what it answers
        std::optional<std::string> media;                   // the device's
        std::optional<int> copies;
        std::vector<std::string> asked; // printers the source was asked about
    };
    const Case cases[] = {
        {"the job's own", &own, true, stored, own.media, std::nullopt, {}},
        {"stored", nullptr, true, stored, stored.media, 3, {"Office"}},
        {"nothing stored", nullptr, true, std::nullopt, std::nullopt, std::nullopt, {"Office"}},
        {"no source", nullptr, false, std::nullopt, std::nullopt, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto log = std::make_shared<DeviceLog>();
        platform::draw::FakeFontEngine fonts;
        CWinPrt prt;
        prt.SetFontEngine(&fonts);
        platform::spooler::PrintOptions got;
        prt.SetDeviceFactory([&](const typestone::EngineDeviceRequest& request, std::string*) {
            got = request.settings;
            return std::make_unique<RecordingPageDevice>(log, pageCaps());
        });
        std::vector<std::string> asked;
        if (c.source)
            prt.SetStoredSettings([&](const std::string& printer) {
                asked.push_back(printer);
                return c.has;
            });
        INIT_DATA r = typestone::DefaultInitData();
        std::strcpy(r.printer, "Office");
        ASSERT_TRUE(prt.StartPrtJob(&r, "job", false, c.given));
        EXPECT_EQ(got.media, c.media);
        EXPECT_EQ(got.copies, c.copies);
        EXPECT_EQ(asked, c.asked);
        EXPECT_TRUE(prt.StopPrtJob(true));
    }
}

} // namespace
