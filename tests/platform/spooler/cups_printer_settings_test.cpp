// A CUPS queue's own settings as the spooler reads them (media and its margins, two-sided
// printing, resolution), and a PDF job submitted with settings of its own: what the printer
// receives is made with them.

#include "platform/spooler/cups_spooler.h"
#include "tests/platform/spooler/spooler_test_support.h"
#include "tests/support/cupsd/private_cupsd.h"
#include "tests/support/cupsd/settings_ppd.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace platform::spooler;
using spooler_test::TempDir;
using ts::support::PrivateCupsd;

namespace {

constexpr int kDeliveryTimeoutMs = 30000;

// A real PDF of two pages (the queue's filters read it, and print a single page one-sided
// whatever is asked), its cross-reference table computed.
std::string twoPagePdf()
{
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << >> >>",
        "<< /Length 24 >>\nstream\n0 0 m 100 100 l S\n\nendstream",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << >> >>",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const size_t offset : offsets) {
        const std::string number = std::to_string(offset);
        pdf += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

class CupsPrinterSettingsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_cupsd = PrivateCupsd::start(&s_why); }
    static void TearDownTestSuite() { s_cupsd.reset(); }

    void SetUp() override
    {
        if (!s_cupsd) {
            if (PrivateCupsd::mustRun())
                FAIL() << "no private cupsd: " << s_why;
            GTEST_SKIP() << "no private cupsd: " << s_why;
        }
    }

    // A queue of the settings printer of its own for each test.
    std::string addQueue()
    {
        const std::string queue = "settings_" + std::to_string(++s_queues);
        std::string error;
        EXPECT_TRUE(s_cupsd->addPpdQueue(queue, ts::support::kSettingsPpd, &error)) << error;
        return queue;
    }

    // Waits until the queue's job ended, then gives everything its printer received.
    std::string received(const std::string& queue)
    {
        std::string data;
        EXPECT_TRUE(s_cupsd->waitForBytes(queue, 1, kDeliveryTimeoutMs, &data)) << s_cupsd->logTail();
        std::string error;
        EXPECT_TRUE(s_cupsd->waitUntilIdle(queue, kDeliveryTimeoutMs, &error)) << error;
        return s_cupsd->received(queue);
    }

    static inline std::unique_ptr<PrivateCupsd> s_cupsd;
    static inline std::string s_why;
    static inline int s_queues = 0;
    CupsSpooler m_spooler;
};

TEST_F(CupsPrinterSettingsTest, ReadsTheQueuesMediaMarginsSidesAndResolution)
{
    const std::string queue = addQueue();
    std::string error;
    const auto got = m_spooler.defaults(queue, &error);
    ASSERT_TRUE(got) << error;
    EXPECT_EQ(got->media, "na_letter_8.5x11in");
    // 18 pt left and bottom, 12 pt right and top, in hundredths of a millimetre.
    EXPECT_EQ(got->margins, (Margins{635, 423, 423, 635}));
    EXPECT_EQ(got->sides, Sides::TwoSidedLongEdge);
    EXPECT_EQ(got->resolution, (Resolution{300, 300}));
}

TEST_F(CupsPrinterSettingsTest, ListsTheQueuesMediaAndResolutions)
{
    const std::string queue = addQueue();
    std::string error;
    const auto got = m_spooler.choices(queue, &error);
    ASSERT_TRUE(got) << error;
    EXPECT_EQ(got->media, (std::vector<std::string>{"iso_a4_210x297mm", "na_letter_8.5x11in"}));
    EXPECT_EQ(got->resolutions, (std::vector<Resolution>{{300, 300}, {600, 600}}));
    EXPECT_FALSE(m_spooler.choices("no_such_queue", &error));
    EXPECT_FALSE(error.empty());
}

// The queue's own choices where the job sets nothing; the job's where it does.
TEST_F(CupsPrinterSettingsTest, ASubmittedPdfIsPrintedWithItsSettings)
{
    TempDir dir;
    const std::string path = dir.path() + "/document.pdf";
    spooler_test::writeFile(path, twoPagePdf());

    struct Case
    {
        const char* name;
        PrintOptions options;
        std::vector<std::string> wanted;
        std::vector<std::string> unwanted;
    };
    PrintOptions own;
    own.media = "iso_a4_210x297mm";
    own.sides = Sides::TwoSidedShortEdge;
    own.resolution = Resolution{600, 600};
    const Case cases[] = {
        {"the queue's",
         {},
         {"ts-media-letter", "ts-sides-long", "ts-res-300"},
         {"ts-media-a4", "ts-sides-short", "ts-res-600"}},
        {"the job's",
         own,
         {"ts-media-a4", "ts-sides-short", "ts-res-600"},
         {"ts-media-letter", "ts-sides-long", "ts-res-300"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string queue = addQueue();
        std::string error;
        ASSERT_TRUE(m_spooler.submitPdf(queue, "Settings", path, c.options, &error)) << error;
        const std::string data = received(queue);
        ASSERT_EQ(data.substr(0, 2), "%!") << "the printer takes PostScript\n" << s_cupsd->logTail();
        for (const std::string& code : c.wanted)
            EXPECT_NE(data.find(code), std::string::npos) << code;
        for (const std::string& code : c.unwanted)
            EXPECT_EQ(data.find(code), std::string::npos) << code;
    }
}

} // namespace

// A printer asked for by name is answered from the list last fetched, but that list grows old:
// its version moves by itself within a bound, so what was kept from it is asked again.
TEST_F(CupsPrinterSettingsTest, KeptListOfQueuesGrowsOld)
{
    const std::string queue = addQueue();
    std::string error;
    ASSERT_FALSE(m_spooler.printers(&error).empty()) << error;
    const std::optional<uint64_t> fetched = m_spooler.printersVersion();
    ASSERT_TRUE(fetched);
    ASSERT_TRUE(m_spooler.printer(queue, &error)) << error;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (m_spooler.printersVersion() == fetched && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(m_spooler.printersVersion(), fetched)
        << "still the list of " << CupsSpooler::kKeepListMs << " ms ago and more";
    ASSERT_TRUE(m_spooler.printer(queue, &error)) << error;
}
