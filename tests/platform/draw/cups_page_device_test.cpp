#include "platform/draw/page_device_factory.h"
#include "platform/spooler/cups_spooler.h"
#include "tests/support/cupsd/private_cupsd.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

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
