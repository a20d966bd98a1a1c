// An interpreted job from a host through the job server to the folder spooler's PDF: spooled
// as it arrives, printed when the host closes, its spool file deleted.

#include "job_server_fixture.h"

#include "typestone/engine/engine_setup.h"
#include "typestone/engine/spool_record.h"
#include "typestone/server/spool_recovery.h"
#include "typestone/server/stored_job_settings.h"

#include "tests/support/fonts/test_fonts.h"
#include "tests/support/host/host_simulator.h"

#include "platform/net/endpoint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

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
        m_workDir = fs::path(spoolRoot()).parent_path() / "work";
        fs::create_directories(m_workDir);
        m_engine.spooler = spooler.get();
        m_engine.spoolFolder = m_spoolDir.string();
        m_engine.workFolder = m_workDir.string();
        context->engine = &m_engine;
    }

    std::vector<uint8_t> interpretedHeader(const std::string& printer)
    {
        valdor::JobRequest request;
        request.printer = printer;
        request.options = 0;
        return valdor::buildHeader(request);
    }

    // Waits (bounded) until `ready` holds.
    template <typename Fn> static bool waitFor(Fn ready)
    {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (!ready()) {
            if (std::chrono::steady_clock::now() > limit)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // The spool files in the spool folder (not their records).
    std::vector<fs::path> spoolFiles() const
    {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(m_spoolDir, ec))
            if (e.path().extension().empty())
                found.push_back(e.path());
        return found;
    }

    fs::path m_spoolDir;
    fs::path m_workDir;
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

// The server stops while the host still sends: what arrived stays in the spool file with its
// record, nothing is printed, and the next start prints it.
TEST_F(InterpretedJobTest, TheStopKeepsWhatArrivedForTheNextStart)
{
    jobtest::StepHost host;
    ASSERT_TRUE(host.connectAndSend(port, interpretedHeader("Laser")));
    ASSERT_TRUE(host.readReply(kWaitMs));
    ASSERT_EQ(host.code, 0);
    ASSERT_TRUE(host.openData());
    ASSERT_TRUE(host.send("Hello"));
    ASSERT_TRUE(waitFor([&] {
        const auto files = spoolFiles();
        std::error_code ec;
        return files.size() == 1 && fs::file_size(files[0], ec) == 5;
    }));

    server->Stop();
    const std::vector<fs::path> kept = spoolFiles();
    ASSERT_EQ(kept.size(), 1u);
    std::string error;
    const auto record = typestone::ReadSpoolRecord(typestone::SpoolRecordPath(kept[0].string()), &error);
    ASSERT_TRUE(record) << error;
    EXPECT_EQ(typestone::FieldText(record->record.printer), "Laser");
    EXPECT_TRUE(filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf").empty());

    typestone::SpoolRecovery recovery(m_engine, {m_spoolDir.string(), m_workDir.string() + "/damaged", ""},
                                      {});
    recovery.Tidy();
    recovery.PrintPending();
    EXPECT_EQ(recovery.PrintedCount(), 1u);
    EXPECT_EQ(filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf").size(), 1u);
    EXPECT_TRUE(fs::is_empty(m_spoolDir));
}

// The stop comes while a long job renders: the render ends at its next check, no document
// reaches the printer and no temporary PDF stays; the job stays whole and the next start
// prints it once.
TEST_F(InterpretedJobTest, TheStopEndsARenderAndTheJobIsPrintedOnceLater)
{
    std::string stream = "First page\f";
    stream.append(20000, '\f');
    stream += "Last page";
    const std::vector<uint8_t> data(stream.begin(), stream.end());
    HostOptions options;
    options.chunkSize = 64 * 1024;
    std::thread host([&] {
        HostSimulator(options).run(platform::net::kLoopbackAddress, port, interpretedHeader("Laser"), data);
    });
    // The render has begun once its PDF is being made.
    const bool rendering = waitFor([&] { return !fs::is_empty(m_workDir); });
    server->Stop();
    host.join();
    ASSERT_TRUE(rendering);

    EXPECT_TRUE(fs::is_empty(m_workDir)) << "the unfinished PDF is removed";
    EXPECT_TRUE(filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf").empty());
    const std::vector<fs::path> kept = spoolFiles();
    ASSERT_EQ(kept.size(), 1u);
    std::error_code ec;
    EXPECT_EQ(fs::file_size(kept[0], ec), stream.size());

    std::vector<std::string> lines;
    typestone::SpoolRecovery recovery(m_engine, {m_spoolDir.string(), m_workDir.string() + "/damaged", ""},
                                      [&](const std::string& line) { lines.push_back(line); });
    recovery.Tidy();
    recovery.PrintPending();
    EXPECT_EQ(recovery.PrintedCount(), 1u);
    const std::vector<fs::path> pdfs = filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf");
    ASSERT_EQ(pdfs.size(), 1u);
    EXPECT_NE(pdfInfo(pdfs[0]).find("Pages:"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(m_spoolDir));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("recovered job"), std::string::npos) << lines[0];
    // Printed once: a second start finds nothing.
    typestone::SpoolRecovery again(m_engine, {m_spoolDir.string(), m_workDir.string() + "/damaged", ""}, {});
    again.Tidy();
    again.PrintPending();
    EXPECT_EQ(again.PrintedCount(), 0u);
}

// The server stops while it prints a job an earlier run left: the print ends, nothing reaches
// the printer, and the job waits for the next start as it did before.
TEST_F(InterpretedJobTest, AStopDuringARecoveredPrintLeavesTheJobForTheNextStart)
{
    std::string stream = "First page\f";
    stream.append(20000, '\f');
    stream += "Last page";
    typestone::SpoolRecord record;
    record.version = 100;
    record.jobName = "host_9";
    record.record = typestone::DefaultInitData();
    std::snprintf(record.record.printer, sizeof record.record.printer, "Laser");
    const fs::path spool = m_spoolDir / "tpsLONGJB";
    {
        std::FILE* f = std::fopen(spool.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(stream.data(), 1, stream.size(), f);
        std::fclose(f);
    }
    std::string error;
    ASSERT_TRUE(typestone::WriteSpoolRecord(typestone::SpoolRecordPath(spool.string()), record, &error))
        << error;

    const typestone::SpoolRecovery::Folders folders{m_spoolDir.string(), (m_workDir / "damaged").string(),
                                                    ""};
    {
        typestone::SpoolRecovery recovery(m_engine, folders, {});
        recovery.Tidy();
        recovery.Start();
        const bool printing = waitFor([&] { return !fs::is_empty(m_workDir); });
        recovery.Stop();
        ASSERT_TRUE(printing);
        EXPECT_EQ(recovery.PrintedCount(), 0u);
    }
    EXPECT_TRUE(fs::is_empty(m_workDir));
    EXPECT_TRUE(filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf").empty());
    EXPECT_TRUE(fs::exists(spool));
    EXPECT_TRUE(fs::exists(typestone::SpoolRecordPath(spool.string())));

    typestone::SpoolRecovery next(m_engine, folders, {});
    next.Tidy();
    next.PrintPending();
    EXPECT_EQ(next.PrintedCount(), 1u);
    EXPECT_EQ(filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf").size(), 1u);
    EXPECT_TRUE(fs::is_empty(m_spoolDir));
}

// A job this run accepted after the start-up looked at the folder belongs to its connection:
// the recovery, which prints on while the server serves, leaves it alone.
TEST_F(InterpretedJobTest, TheRecoveryTakesUpOnlyWhatWasThereAtStart)
{
    typestone::SpoolRecovery recovery(m_engine, {m_spoolDir.string(), (m_workDir / "damaged").string(), ""},
                                      {});
    recovery.Tidy();
    jobtest::StepHost host;
    ASSERT_TRUE(host.connectAndSend(port, interpretedHeader("Laser")));
    ASSERT_TRUE(host.readReply(kWaitMs));
    ASSERT_TRUE(host.openData());
    ASSERT_TRUE(host.send("New job"));
    ASSERT_TRUE(waitFor([&] {
        const auto files = spoolFiles();
        std::error_code ec;
        return files.size() == 1 && fs::file_size(files[0], ec) == 7;
    }));
    recovery.PrintPending();
    EXPECT_EQ(recovery.PrintedCount(), 0u);
    EXPECT_EQ(spoolFiles().size(), 1u);
    ASSERT_TRUE(host.finish(kWaitMs));
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    EXPECT_EQ(filesWithExtension(fs::path(spoolRoot()) / "Laser", ".pdf").size(), 1u)
        << "printed once, by its connection";
}

// What an earlier run left that cannot be printed: each is moved aside or removed, logged, and
// the rest of the folder is still printed.
TEST_F(InterpretedJobTest, LeftoversThatCannotBePrintedAreMovedAsideOrRemoved)
{
    auto write = [](const fs::path& path, const std::string& text) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    };
    auto recordFor = [](const std::string& printer) {
        typestone::SpoolRecord r;
        r.version = 100;
        r.jobName = "host_1";
        r.record = typestone::DefaultInitData();
        std::snprintf(r.record.printer, sizeof r.record.printer, "%s", printer.c_str());
        return typestone::FormatSpoolRecord(r);
    };
    const fs::path damaged = m_workDir / "damaged";
    const fs::path pdfDir = m_workDir / "pdf";
    fs::create_directories(pdfDir);
    struct Case
    {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files; // in the spool folder
        std::vector<std::string> damaged;                       // names moved aside
    };
    const std::vector<Case> cases = {
        {"a record naming a printer that is gone",
         {{"tpsAAAAAA", "text"}, {"tpsAAAAAA.job", recordFor("Gone")}},
         {"tpsAAAAAA", "tpsAAAAAA.recovering"}},
        {"a record of garbage",
         {{"tpsBBBBBB", "text"}, {"tpsBBBBBB.job", "\x01garbage"}},
         {"tpsBBBBBB", "tpsBBBBBB.job"}},
        {"a record without its spool file", {{"tpsCCCCCC.job", recordFor("Laser")}}, {"tpsCCCCCC.job"}},
        {"the job a run died recovering",
         {{"tpsDDDDDD", "text"}, {"tpsDDDDDD.recovering", recordFor("Laser")}},
         {"tpsDDDDDD", "tpsDDDDDD.recovering"}},
        {"a spool file whose job was never accepted", {{"tpsEEEEEE", "text"}}, {}},
        {"a temporary PDF", {{"typestone-job-FFFFFF.pdf", "%PDF-1.4 cut"}}, {}},
        {"a job without data", {{"tpsGGGGGG", ""}, {"tpsGGGGGG.job", recordFor("Laser")}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(damaged);
        for (const auto& [name, text] : c.files)
            write(m_spoolDir / name, text);
        write(pdfDir / ".out.pdf.Ab12Cd", "%PDF-1.4 cut"); // a PDF driver's unfinished file
        // Beside each case a good job, which prints.
        write(m_spoolDir / "tpsZZZZZZ", "Good job");
        write(m_spoolDir / "tpsZZZZZZ.job", recordFor("Laser"));

        std::vector<std::string> lines;
        typestone::SpoolRecovery recovery(m_engine, {m_spoolDir.string(), damaged.string(), pdfDir.string()},
                                          [&](const std::string& line) { lines.push_back(line); });
        recovery.Tidy();
        recovery.PrintPending();
        EXPECT_EQ(recovery.PrintedCount(), 1u);
        EXPECT_TRUE(fs::is_empty(m_spoolDir));
        EXPECT_TRUE(fs::is_empty(pdfDir));
        std::vector<std::string> moved;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(damaged, ec))
            moved.push_back(e.path().filename().string());
        std::sort(moved.begin(), moved.end());
        EXPECT_EQ(moved, c.damaged);
        EXPECT_GE(lines.size(), 2u); // what happened to the leftover, and the good job
    }
}

// A host job prints with the settings stored for its printer laid over the driver's, as the
// PDF's record and its page size show; a printer with nothing of its own stored prints with
// its driver's settings.
TEST_F(InterpretedJobTest, AHostJobPrintsWithItsPrintersStoredSettings)
{
    using namespace platform::spooler;
    m_engine.storedSettings = typestone::MakeStoredSettingsSource(*printers, *spooler);
    PrinterDefaults driver;
    driver.media = "iso_a4_210x297mm";
    driver.resolution = Resolution{300, 300};
    driver.margins = Margins{1000, 1000, 1000, 1000};
    std::string error;
    for (const char* printer : {"Laser", "Other"})
        ASSERT_TRUE(spooler->saveDefaults(printer, driver, &error)) << error;

    PrinterDefaults stored = driver;
    stored.media = "na_letter_8.5x11in";
    stored.orientation = Orientation::Landscape;
    stored.sides = Sides::TwoSidedShortEdge;
    stored.colorMode = ColorMode::Monochrome;
    stored.copies = 2;
    stored.resolution = Resolution{200, 200};
    stored.margins = Margins{0, 0, 0, 0}; // never taken: the margins are the printer's
    typestone::PRTCFG record;
    record.printerName = "Laser";
    record.bShared = true;
    record.devMode = typestone::DevMode("Laser", stored);
    ASSERT_TRUE(printers->SavePrtEntry(nullptr, &record));

    struct Case
    {
        const char* printer;
        // In the PDF's record. The pages are turned in the PDF itself, so the spooler is
        // always told portrait: the page size shows the orientation.
        std::vector<std::string> lines;
        const char* pageSize; // as pdfinfo gives it, in points
    };
    const Case cases[] = {
        {"Laser",
         {"media=na_letter_8.5x11in", "copies=2", "sides=two-sided-short-edge", "color-mode=monochrome",
          "resolution=200x200"},
         " 792 x 612 pts"},
        {"Other",
         {"media=iso_a4_210x297mm", "copies=1", "sides=one-sided", "color-mode=color", "resolution=300x300"},
         " 595 x 842 pts"},
    };
    const std::string stream = "Stored settings\r\n\f";
    const std::vector<uint8_t> data(stream.begin(), stream.end());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printer);
        const valdor::HostResult r =
            HostSimulator().run(platform::net::kLoopbackAddress, port, interpretedHeader(c.printer), data);
        ASSERT_EQ(r.replyCode, 0) << r.error;
        ASSERT_TRUE(server->WaitIdle(kWaitMs));

        const fs::path folder = fs::path(spoolRoot()) / c.printer;
        const std::vector<fs::path> pdfs = filesWithExtension(folder, ".pdf");
        ASSERT_EQ(pdfs.size(), 1u);
        const std::string info = pdfInfo(pdfs[0]);
        EXPECT_NE(info.find(c.pageSize), std::string::npos) << info;
        const std::vector<fs::path> records = filesWithExtension(folder, ".info");
        ASSERT_EQ(records.size(), 1u);
        std::ifstream in(records[0]);
        const std::string text =
            "\n" + std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        for (const std::string& line : c.lines)
            EXPECT_NE(text.find("\n" + line + "\n"), std::string::npos) << line << " in\n" << text;
    }
}

TEST_F(InterpretedJobTest, WithoutAnEngineTheJobIsRefused)
{
    context->engine = nullptr;
    const valdor::HostResult r =
        HostSimulator().run(platform::net::kLoopbackAddress, port, interpretedHeader("Laser"), {'x'});
    EXPECT_EQ(r.replyCode, 6) << r.error;
}

} // namespace
