// An interpreted job from a host through the job server to the folder spooler's PDF: spooled
// as it arrives, printed when the host closes, its spool file deleted.

#include "job_server_fixture.h"

#include "typestone/engine/engine_setup.h"

#include "tests/support/fonts/test_fonts.h"
#include "tests/support/host/host_simulator.h"

#include "platform/net/endpoint.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

using valdor::HostOptions;
using valdor::HostSimulator;

constexpr int kWaitMs = 20000;

std::string pdfInfo(const fs::path& pdf)
{
    std::string out;
    if (std::FILE* p = ::popen(("pdfinfo '" + pdf.string() + "' 2>&1").c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

// The page count pdfinfo reports, or -1 when it reports none.
int pdfPages(const fs::path& pdf)
{
    const std::string info = pdfInfo(pdf);
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

std::vector<fs::path> filesWithExtension(const fs::path& dir, const std::string& ext)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.path().extension() == ext)
            found.push_back(e.path());
    return found;
}

class InterpretedJobTest : public jobtest::JobServerFixture
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    void SetUp() override
    {
        jobtest::JobServerFixture::SetUp();
        m_spoolDir = fs::path(spoolRoot()).parent_path() / "spooled";
        fs::create_directories(m_spoolDir);
        m_engine.spooler = spooler.get();
        m_engine.spoolFolder = m_spoolDir.string();
        context->engine = &m_engine;
    }

    std::vector<uint8_t> interpretedHeader(const std::string& printer)
    {
        valdor::JobRequest request;
        request.printer = printer;
        request.options = 0;
        return valdor::buildHeader(request);
    }

    fs::path m_spoolDir;
    typestone::EngineSetup m_engine;
};

TEST_F(InterpretedJobTest, PrintsThePagesAsAPdfAndDeletesTheSpoolFile)
{
    const std::string stream = "Hello \x0E"
                               "Bold\x0F\r\n\r\n"
                               "\xDA\xC4\xC4\xBF\r\n\xC0\xC4\xC4\xD9\r\n"
                               "\fPage 2\f";
    HostOptions options;
    options.chunkSize = 7; // the spool file grows chunk by chunk
    const std::vector<uint8_t> data(stream.begin(), stream.end());
    const valdor::HostResult r =
        HostSimulator(options).run(platform::net::kLoopbackAddress, port, interpretedHeader("Laser"), data);
    ASSERT_EQ(r.replyCode, 0) << r.error;
    ASSERT_TRUE(r.dataSent && r.serverClosed) << r.error;
    ASSERT_TRUE(server->WaitIdle(kWaitMs));

    const std::vector<fs::path> pdfs = filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf");
    ASSERT_EQ(pdfs.size(), 1u);
    EXPECT_EQ(pdfPages(pdfs[0]), 2) << pdfInfo(pdfs[0]);
    EXPECT_TRUE(fs::is_empty(m_spoolDir)) << "the spool file is deleted after printing";
    EXPECT_TRUE(filesWithExtension(fs::path(spoolRoot()) / "Laser", ".prn").empty())
        << "nothing went out raw";
}

TEST_F(InterpretedJobTest, AJobWithoutItsDataConnectionLeavesNothing)
{
    context->acceptTimeoutMs = 300;
    HostOptions options;
    options.openDataConnection = false;
    const valdor::HostResult r =
        HostSimulator(options).run(platform::net::kLoopbackAddress, port, interpretedHeader("Laser"), {'x'});
    EXPECT_EQ(r.replyCode, 0) << r.error;
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    EXPECT_TRUE(fs::is_empty(m_spoolDir)) << "the spool file is removed";
    EXPECT_TRUE(filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf").empty());
}

// A host cut off after its first page: that page is printed, and the PDF's record and the job
// log say the job was cut short.
TEST_F(InterpretedJobTest, AJobCutShortByTheHostPrintsWhatArrived)
{
    logAndTrace();
    const std::string first = "Page 1\f";
    const std::string stream = first + "Page 2\fPage 3\f";
    HostOptions options;
    options.resetAfter = first.size();
    options.beforeReset = [&] {
        EXPECT_TRUE(jobtest::waitFileSize(m_spoolDir.string(), "", first.size())) << "the server spooled it";
    };
    const std::vector<uint8_t> data(stream.begin(), stream.end());
    const valdor::HostResult r =
        HostSimulator(options).run(platform::net::kLoopbackAddress, port, interpretedHeader("Laser"), data);
    ASSERT_EQ(r.replyCode, 0) << r.error;
    ASSERT_TRUE(r.hostReset) << r.error;
    ASSERT_TRUE(server->WaitIdle(kWaitMs));

    const std::vector<fs::path> pdfs = filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf");
    ASSERT_EQ(pdfs.size(), 1u);
    EXPECT_EQ(pdfPages(pdfs[0]), 1) << pdfInfo(pdfs[0]);
    const std::vector<fs::path> records = filesWithExtension(fs::path(spoolRoot()) / "Laser", ".info");
    ASSERT_EQ(records.size(), 1u);
    std::ifstream record(records[0]);
    const std::string text((std::istreambuf_iterator<char>(record)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\ncut-short=the host reset the connection\n"), std::string::npos) << text;
    EXPECT_TRUE(fs::is_empty(m_spoolDir)) << "the spool file is deleted after printing";
    const std::string log = jobtest::JobTestEnv::jobLog();
    EXPECT_NE(log.find("\nCut short: the host reset the connection"), std::string::npos) << log;
}

// An interpreted job that did not print ends with a reset and the job log says why: the
// spooler refused its pages (a full disk), or no data came at all (no empty document then).
TEST_F(InterpretedJobTest, AJobThatDidNotPrintEndsWithAReset)
{
    logAndTrace();
    spooler->failSubmit = {"Other"};
    const std::string page = "Hello\f";
    struct Case
    {
        const char* what;
        std::string printer;
        std::vector<uint8_t> data;
        std::string why;
    };
    const std::vector<Case> cases = {
        {"the spooler refuses the pages",
         "Other",
         {page.begin(), page.end()},
         "the interpreter did not print it"},
        {"no data", "Laser", {}, "no data arrived"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const valdor::HostResult r =
            HostSimulator().run(platform::net::kLoopbackAddress, port, interpretedHeader(c.printer), c.data);
        ASSERT_EQ(r.replyCode, 0) << r.error;
        ASSERT_TRUE(server->WaitIdle(kWaitMs));
        EXPECT_TRUE(r.serverClosed && r.serverReset) << r.error;
        const std::string log = jobtest::JobTestEnv::jobLog();
        EXPECT_NE(log.find("\nNot printed: " + c.why), std::string::npos) << log;
        EXPECT_TRUE(filesWithExtension(fs::path(spoolRoot()) / c.printer, ".pdf").empty());
    }
    EXPECT_TRUE(fs::is_empty(m_spoolDir)) << "no spool file is left behind";
}

TEST_F(InterpretedJobTest, WithoutAnEngineTheJobIsRefused)
{
    context->engine = nullptr;
    const valdor::HostResult r =
        HostSimulator().run(platform::net::kLoopbackAddress, port, interpretedHeader("Laser"), {'x'});
    EXPECT_EQ(r.replyCode, 6) << r.error;
}

} // namespace
