// The program's stop and its start after a stop or a crash: a stop ends soon whatever runs and
// loses nothing accepted, and the next start prints the interpreted jobs left once, finishes
// raw jobs cut short, removes unfinished temporary PDFs and moves aside what cannot be printed.

#include "tests/support/host/host_simulator.h"
#include "tests/support/host/job_request.h"

#include "private_env.h"
#include "tests/support/env/temp_dir.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/udp.h"
#include "platform/settings/settings_store.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kSection = "Software\\KLV\\Typestone\\General";
constexpr int kWaitMs = 120000; // for work the program does under load (ASan: several times slower)

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<fs::path> filesIn(const fs::path& dir, const std::function<bool(const std::string&)>& match)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (match(e.path().filename().string()))
            found.push_back(e.path());
    return found;
}

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

template <typename Fn> bool waitFor(Fn ready, int timeoutMs = kWaitMs)
{
    const auto limit = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!ready()) {
        if (Clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A host that holds its job open in the data phase.
struct OpenJob
{
    platform::net::Socket control;
    platform::net::Socket data;

    bool start(uint16_t port, const std::vector<uint8_t>& header, const std::string& bytes)
    {
        platform::net::SocketResult c = platform::net::connectTcp("127.0.0.1", port, 5000);
        if (!c.ok())
            return false;
        control = std::move(c.socket);
        if (!platform::net::sendAll(control, header.data(), header.size(), 10000).ok())
            return false;
        uint8_t reply[4];
        size_t got = 0;
        const auto limit = Clock::now() + std::chrono::seconds(30);
        while (got < 4 && Clock::now() < limit) {
            platform::net::IoResult r = platform::net::receiveSome(control, reply + got, 4 - got, 1000);
            if (r.ok())
                got += r.bytes;
            else if (r.status != platform::net::IoStatus::TimedOut)
                return false;
        }
        if (got < 4 || reply[0] != 0 || reply[1] != 0)
            return false;
        platform::net::SocketResult d =
            platform::net::connectTcp("127.0.0.1", uint16_t(reply[2] | reply[3] << 8), 5000);
        if (!d.ok())
            return false;
        data = std::move(d.socket);
        return platform::net::sendAll(control, bytes.data(), bytes.size(), 10000).ok();
    }
};

// A job whose render takes seconds: every form feed is a page.
std::string longJob()
{
    std::string stream = "First page\f";
    stream.append(30000, '\f');
    stream += "Last page";
    return stream;
}

// What lies in a folder, for failure messages.
std::string listing(const fs::path& dir)
{
    std::string out = dir.string() + ":";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        out += " " + e.path().filename().string();
    return out + "\n";
}

class RecoveryRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.ok()) << folder.error();
        dir = folder.path();
        for (const char* sub : {"state", "cache", "config", "run", "spool/Raw", "spool/Text", "spool/Long"})
            fs::create_directories(dir / sub);
        fs::permissions(dir / "run", fs::perms::owner_all);
        registry = (dir / "registry.sqlite").string();
        state = dir / "state/typestone";
        ui = platform::net::bindUdp("127.0.0.1", 0, false);
        ASSERT_TRUE(ui.ok()) << ui.error.text;
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        ASSERT_TRUE(store);
        store->setString(platform::RegRoot::CurrentUser, kSection, "TYPSTUDP_AUXPORT",
                         std::to_string(ui.local.port));
    }

    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    void start()
    {
        seen.clear();
        QProcessEnvironment env = integration::privateServerEnvironment(dir, registry);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(TYPESTONE_EXE, {});
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    std::string output()
    {
        process.waitForReadyRead(50);
        seen += process.readAll().toStdString();
        return seen;
    }

    bool waitForOutput(const std::string& text, int timeoutMs = kWaitMs)
    {
        return waitFor(
                   [&] {
                       return output().find(text) != std::string::npos ||
                              process.state() == QProcess::NotRunning;
                   },
                   timeoutMs) &&
               output().find(text) != std::string::npos;
    }

    bool waitUntilServing()
    {
        const std::regex listening(R"(listening on UDP port (\d+) and job port (\d+)\n)");
        std::smatch m;
        const bool up = waitFor([&] {
            const std::string text = output();
            return std::regex_search(text, m, listening) || process.state() == QProcess::NotRunning;
        });
        const std::string text = output();
        if (!up || !std::regex_search(text, m, listening))
            return false;
        tcp = uint16_t(std::stoul(m[2].str()));
        return true;
    }

    // SIGTERM; the seconds until the program ended, or -1 when it did not within 60 s.
    double terminate()
    {
        const auto start = Clock::now();
        process.terminate();
        if (!process.waitForFinished(60000))
            return -1;
        output();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    static std::vector<uint8_t> header(const std::string& printer, bool raw)
    {
        valdor::JobRequest job;
        job.printer = printer;
        job.options = raw ? valdor::kOptionRaw : 0;
        return valdor::buildHeader(job);
    }

    fs::path spoolFolder() const { return state / "jobs"; }
    std::vector<fs::path> printed(const std::string& printer, const std::string& ext) const
    {
        return filesIn(dir / "spool" / printer, [&](const std::string& n) { return endsWith(n, ext); });
    }
    std::vector<fs::path> temporaryPdfs() const
    {
        return filesIn(spoolFolder(), [](const std::string& n) { return endsWith(n, ".pdf"); });
    }
    std::vector<fs::path> spoolFiles() const
    {
        return filesIn(spoolFolder(), [](const std::string& n) { return n.rfind("tps", 0) == 0; });
    }

    ts::support::TempDir folder{"ts-recovery"};
    fs::path dir;
    fs::path state;
    std::string registry;
    platform::net::SocketResult ui;
    uint16_t tcp = 0;
    std::string seen;
    QProcess process;
};

// A long interpreted job renders when SIGTERM comes: the program ends soon, hands no partial
// document over, and the next start prints the job once and says so.
TEST_F(RecoveryRunTest, SigtermDuringALongRenderEndsSoonAndTheRestartPrintsTheJobOnce)
{
    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    const std::string stream = longJob();
    valdor::HostOptions options;
    options.chunkSize = 64 * 1024;
    std::thread host([&] {
        valdor::HostSimulator(options).run("127.0.0.1", tcp, header("Long", false),
                                           std::vector<uint8_t>(stream.begin(), stream.end()));
    });
    // The render has begun once its PDF is being made.
    const bool rendering = waitFor([&] { return !temporaryPdfs().empty(); });
    const double took = terminate();
    host.join();
    ASSERT_TRUE(rendering) << output();
    ASSERT_GE(took, 0) << output();
    EXPECT_LT(took, 20.0) << output();
    EXPECT_EQ(process.exitCode(), 0) << output();
    EXPECT_TRUE(printed("Long", ".pdf").empty()) << "no partial document was handed over";
    EXPECT_TRUE(temporaryPdfs().empty());
    ASSERT_EQ(spoolFiles().size(), 2u) << "the spool file and its record stay";

    start();
    ASSERT_TRUE(waitForOutput("recovered job")) << output();
    ASSERT_TRUE(waitFor([&] { return printed("Long", ".pdf").size() == 1; })) << output();
    ASSERT_TRUE(waitUntilServing()) << output();
    EXPECT_GE(terminate(), 0);
    EXPECT_EQ(printed("Long", ".pdf").size(), 1u);
    EXPECT_TRUE(spoolFiles().empty());

    // Printed once: a third start has nothing to recover.
    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    EXPECT_GE(terminate(), 0);
    EXPECT_EQ(output().find("recovered job"), std::string::npos) << output();
    EXPECT_EQ(printed("Long", ".pdf").size(), 1u);
}

// kill -9 while a raw and an interpreted job are in their data phase and a third renders: the
// next start finishes the raw job with what arrived, marked cut short, prints both interpreted
// jobs once and leaves no temporary PDF.
TEST_F(RecoveryRunTest, AfterKill9TheRestartFinishesRawJobsAndPrintsInterpretedOnesOnce)
{
    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    OpenJob raw, text;
    ASSERT_TRUE(raw.start(tcp, header("Raw", true), "raw bytes")) << output();
    ASSERT_TRUE(text.start(tcp, header("Text", false), "Hello from the data phase")) << output();
    const std::string stream = longJob();
    valdor::HostOptions options;
    options.chunkSize = 64 * 1024;
    options.closeTimeoutMs = 1000;
    std::thread host([&] {
        valdor::HostSimulator(options).run("127.0.0.1", tcp, header("Long", false),
                                           std::vector<uint8_t>(stream.begin(), stream.end()));
    });
    const auto rawPart = [&] { return printed("Raw", ".part"); };
    ASSERT_TRUE(waitFor([&] {
        const auto parts = rawPart();
        std::error_code ec;
        return parts.size() == 1 && fs::file_size(parts[0], ec) == 9;
    })) << output();
    ASSERT_TRUE(waitFor([&] {
        std::error_code ec;
        for (const fs::path& p : spoolFiles())
            if (fs::file_size(p, ec) == 25)
                return true;
        return false;
    })) << output();
    ASSERT_TRUE(waitFor([&] { return !temporaryPdfs().empty(); })) << output();

    process.kill();
    ASSERT_TRUE(process.waitForFinished(20000));
    host.join();
    ASSERT_EQ(temporaryPdfs().size(), 1u) << "the crash left the render's PDF";

    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    ASSERT_TRUE(waitFor([&] { return printed("Long", ".pdf").size() == 1; })) << output();
    EXPECT_TRUE(waitForOutput("removed the unfinished temporary PDF")) << output();
    EXPECT_NE(output().find("cut short"), std::string::npos) << output();

    const std::vector<fs::path> prn = printed("Raw", ".prn");
    ASSERT_EQ(prn.size(), 1u);
    EXPECT_EQ(readAll(prn[0]), "raw bytes");
    const std::vector<fs::path> info = printed("Raw", ".info");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_NE(readAll(info[0]).find("cut-short="), std::string::npos) << readAll(info[0]);
    EXPECT_TRUE(printed("Raw", ".part").empty());
    EXPECT_EQ(printed("Text", ".pdf").size(), 1u);
    EXPECT_EQ(printed("Long", ".pdf").size(), 1u);
    EXPECT_TRUE(temporaryPdfs().empty());
    EXPECT_GE(terminate(), 0);
    EXPECT_TRUE(spoolFiles().empty()) << output() << listing(spoolFolder()) << listing(dir / "spool/Long");
    size_t recovered = 0;
    for (size_t at = seen.find("recovered job"); at != std::string::npos;
         at = seen.find("recovered job", at + 1))
        ++recovered;
    EXPECT_EQ(recovered, 2u) << output();
}

// A spool record that names a printer that is gone, and one of garbage: both are moved into the
// damaged folder with their spool files, logged, and the server starts and serves.
TEST_F(RecoveryRunTest, PoisonedSpoolRecordsAreMovedAsideAndTheServerStarts)
{
    fs::create_directories(spoolFolder());
    std::string record(783 * 2, '0');
    const std::string gone = "Gone";
    for (size_t i = 0; i < gone.size(); ++i) {
        static const char digits[] = "0123456789abcdef";
        record[2 * i] = digits[uint8_t(gone[i]) >> 4];
        record[2 * i + 1] = digits[uint8_t(gone[i]) & 15];
    }
    writeText(spoolFolder() / "tpsAAAAAA", "Hello");
    writeText(spoolFolder() / "tpsAAAAAA.job",
              "typestone-spool-record 1\njob=host_1\nprinter=Gone\nversion=100\nrecord=" + record + "\n");
    writeText(spoolFolder() / "tpsBBBBBB", "Hello");
    writeText(spoolFolder() / "tpsBBBBBB.job", "\x01garbage\xff");

    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    ASSERT_TRUE(waitFor([&] { return spoolFiles().empty(); })) << output();
    const fs::path damaged = state / "damaged";
    for (const char* name : {"tpsAAAAAA", "tpsAAAAAA.recovering", "tpsBBBBBB", "tpsBBBBBB.job"})
        EXPECT_TRUE(fs::exists(damaged / name)) << name << "\n" << output();
    EXPECT_TRUE(waitForOutput("could not be printed")) << output();
    EXPECT_NE(output().find("cannot be printed"), std::string::npos) << output();

    // It serves: a job goes through.
    const valdor::HostResult r =
        valdor::HostSimulator().run("127.0.0.1", tcp, header("Raw", true), {'o', 'k'});
    EXPECT_EQ(r.replyCode, valdor::ReplyAccepted) << r.error;
    EXPECT_TRUE(waitFor([&] { return printed("Raw", ".prn").size() == 1; }));
    EXPECT_GE(terminate(), 0);
    EXPECT_EQ(process.exitCode(), 0) << output();

    // Moved aside, they are not tried again.
    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    EXPECT_GE(terminate(), 0);
    EXPECT_EQ(output().find("damaged"), std::string::npos) << output();
}

// Another process holds the settings store locked while the program starts: SIGTERM ends the
// start-up soon instead of after every setting's wait.
TEST_F(RecoveryRunTest, SigtermWhileTheStoreIsLockedAtStartEndsSoon)
{
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(registry.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(holder);
    start();
    // It is waiting on the store (each read waits seconds); give it a moment to get there.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const double took = terminate();
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    ASSERT_GE(took, 0) << output();
    EXPECT_LT(took, 20.0) << output();
}

} // namespace
