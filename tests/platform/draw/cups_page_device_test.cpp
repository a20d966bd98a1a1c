#include "platform/draw/page_device_factory.h"
#include "platform/spooler/cups_spooler.h"
#include "tests/support/cupsd/private_cupsd.h"
#include "tests/support/cupsd/settings_ppd.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <memory>
#include <string>

namespace platform::draw {
namespace {

using ts::support::PrivateCupsd;

constexpr int kDeliveryTimeoutMs = 20000;

class CupsPageDeviceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_cupsd = PrivateCupsd::start(&s_why); }
    static void TearDownTestSuite() { s_cupsd.reset(); }

    void SetUp() override
    {
        if (!s_cupsd) {
            if (PrivateCupsd::mustRun()) {
                FAIL() << "no private cupsd: " << s_why;
            }
            GTEST_SKIP() << "no private cupsd: " << s_why;
        }
    }

    // A raw queue of its own for each test.
    std::string addQueue()
    {
        const std::string queue = "draw_" + std::to_string(++s_queues);
        std::string error;
        EXPECT_TRUE(s_cupsd->addRawQueue(queue, &error)) << error;
        return queue;
    }

    static void printPages(PageDevice& device, int pages)
    {
        for (int page = 0; page < pages; ++page) {
            ASSERT_TRUE(device.startPage()) << device.errorText();
            device.dc()->fillRect({100, 100, 1000, 200 + 100 * page}, Brush::solid(kBlack));
            ASSERT_TRUE(device.endPage()) << device.errorText();
        }
    }

    static inline std::unique_ptr<PrivateCupsd> s_cupsd;
    static inline std::string s_why;
    static inline int s_queues = 0;
    spooler::CupsSpooler m_spooler;
};

TEST_F(CupsPageDeviceTest, TheJobArrivesAsOnePdfWhenItEnds)
{
    const std::string queue = addQueue();
    std::string error;
    auto device = makePageDevice(m_spooler, PageDeviceRequest{queue, {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    ASSERT_TRUE(device->startDoc("Through CUPS")) << device->errorText();
    printPages(*device, 2);
    EXPECT_TRUE(s_cupsd->received(queue).empty()); // nothing before the end
    ASSERT_TRUE(device->endDoc()) << device->errorText();

    std::string data;
    ASSERT_TRUE(s_cupsd->waitForBytes(queue, 1000, kDeliveryTimeoutMs, &data)) << s_cupsd->logTail();
    ASSERT_TRUE(s_cupsd->waitUntilIdle(queue, kDeliveryTimeoutMs, &error)) << error;
    data = s_cupsd->received(queue);
    EXPECT_EQ(data.substr(0, 5), "%PDF-");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("got.pdf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data.data(), static_cast<qint64>(data.size()));
    file.close();
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {path});
    ASSERT_TRUE(pdfinfo.waitForFinished(30000));
    const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput() + pdfinfo.readAllStandardError());
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages: +2\\n")))) << info.toStdString();
}

// A PostScript printer of A4 and Letter whose imageable area leaves 18 pt at the left, 36 pt at
// the bottom and 12 pt at the right and top of the sheet.
constexpr const char* kMarginsPpd = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "MARGINS.PPD"
*Manufacturer: "Typestone Tests"
*Product: "(Margins)"
*ModelName: "Margins Printer"
*ShortNickName: "Margins Printer"
*NickName: "Margins Printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*DefaultResolution: 600dpi
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 583 830"
*ImageableArea Letter/Letter: "18 36 600 780"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/Letter: "612 792"
*DefaultFont: Courier
*Font Courier: Standard "(002.004S)" Standard ROM
)ppd";

TEST_F(CupsPageDeviceTest, TheQueuesMediaMarginsBoundThePrintableArea)
{
    const std::string queue = "margins_" + std::to_string(++s_queues);
    std::string error;
    ASSERT_TRUE(s_cupsd->addPpdQueue(queue, kMarginsPpd, &error)) << error;
    const auto defaults = m_spooler.defaults(queue, &error);
    ASSERT_TRUE(defaults) << error;
    EXPECT_EQ(defaults->media, "iso_a4_210x297mm");
    // 18, 12, 12 and 36 points in hundredths of a millimetre.
    EXPECT_EQ(defaults->margins, (spooler::Margins{635, 423, 423, 1270}));

    auto device = makePageDevice(m_spooler, PageDeviceRequest{queue, {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    const DeviceCaps caps = device->caps();
    const auto pixels = [](double mm, int dpi) { return static_cast<int>(std::lround(mm * dpi / 25.4)); };
    EXPECT_EQ(caps.physicalWidth, pixels(210, caps.dpiX));
    EXPECT_EQ(caps.offsetX, pixels(6.35, caps.dpiX));
    EXPECT_EQ(caps.offsetY, pixels(4.23, caps.dpiY));
    EXPECT_EQ(caps.width, caps.physicalWidth - caps.offsetX - pixels(4.23, caps.dpiX));
    EXPECT_EQ(caps.height, caps.physicalHeight - caps.offsetY - pixels(12.7, caps.dpiY));
}

// A job that sets nothing is drawn at the queue's resolution on its media, and printed with
// the queue's choices: its media, its resolution and both sides.
TEST_F(CupsPageDeviceTest, AJobIsMadeAndPrintedWithTheQueuesSettings)
{
    const std::string queue = "ppd_" + std::to_string(++s_queues);
    std::string error;
    ASSERT_TRUE(s_cupsd->addPpdQueue(queue, ts::support::kSettingsPpd, &error)) << error;
    auto device = makePageDevice(m_spooler, PageDeviceRequest{queue, {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    const DeviceCaps caps = device->caps();
    EXPECT_EQ(caps.dpiX, 300);
    EXPECT_EQ(caps.dpiY, 300);
    EXPECT_EQ(caps.physicalWidth, 8 * 300 + 150); // 8.5 x 11 in
    EXPECT_EQ(caps.physicalHeight, 11 * 300);
    ASSERT_TRUE(device->startDoc("Queue settings")) << device->errorText();
    printPages(*device, 2); // a single page would be printed one-sided whatever was asked
    ASSERT_TRUE(device->endDoc()) << device->errorText();

    std::string data;
    ASSERT_TRUE(s_cupsd->waitForBytes(queue, 1000, kDeliveryTimeoutMs, &data)) << s_cupsd->logTail();
    ASSERT_TRUE(s_cupsd->waitUntilIdle(queue, kDeliveryTimeoutMs, &error)) << error;
    data = s_cupsd->received(queue);
    for (const char* code : {"ts-media-letter", "ts-res-300", "ts-sides-long"})
        EXPECT_NE(data.find(code), std::string::npos) << code;
}

TEST_F(CupsPageDeviceTest, AnAbortedJobIsNeverSubmitted)
{
    const std::string queue = addQueue();
    std::string error;
    auto device = makePageDevice(m_spooler, PageDeviceRequest{queue, {}, {}}, &error);
    ASSERT_TRUE(device) << error;
    ASSERT_TRUE(device->startDoc("Cancelled"));
    printPages(*device, 1);
    device->abortDoc();
    device.reset();
    EXPECT_EQ(s_cupsd->activeJobs(queue, &error), 0) << error;
    std::string data;
    EXPECT_FALSE(s_cupsd->waitForBytes(queue, 1, 1000, &data));
    EXPECT_TRUE(data.empty());
}

} // namespace
} // namespace platform::draw
