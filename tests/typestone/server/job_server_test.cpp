#include "job_server_fixture.h"

#include "typestone/server/astcp_thread.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"

#include "tests/support/host/host_simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <random>
#include <regex>
#include <thread>
#include <utility>

using jobtest::JobServerFixture;
using jobtest::StepHost;
using valdor::HostOptions;
using valdor::HostSimulator;

namespace {

constexpr int kWaitMs = 10000;

std::vector<uint8_t> someData(size_t size, unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(i < 256 ? i : gen()); // every byte value, then noise
    return data;
}

std::string asText(const std::vector<uint8_t>& data)
{
    return std::string(data.begin(), data.end());
}

} // namespace

class JobServerTest : public JobServerFixture
{
};

TEST_F(JobServerTest, ReplyCodes)
{
    struct Case
    {
        std::string what;
        std::vector<uint8_t> header;
        uint16_t code;
    };
    std::vector<Case> cases;
    cases.push_back({"good header", header("Laser"), 0});
    for (size_t offset : {2u, 3u, 7u, 12u}) {
        std::vector<uint8_t> h = header("Laser");
        h[offset] ^= 0x20;
        valdor::fixChecksum(h);
        cases.push_back({"magic byte " + std::to_string(offset), h, 3});
    }
    for (size_t offset = 13; offset <= 23; ++offset) {
        std::vector<uint8_t> h = header("Laser");
        h[offset] ^= 0x01;
        cases.push_back({"byte " + std::to_string(offset), h, 4});
    }
    cases.push_back({"not shared", header("Private"), 7});
    cases.push_back({"not configured, not installed", header("Ghost"), 7});
    cases.push_back({"empty printer", header(""), 7});
    cases.push_back({"wrong password", header("Locked", "nope"), 8});
    cases.push_back({"password in other case", header("Locked", "PW"), 0});
    cases.push_back({"spooler refuses the start", header("Broken"), 6});

    const std::string data = "\x1b"
                             "E hello\r\n\f";
    for (const Case& c : cases) {
        HostSimulator host;
        valdor::HostResult r = host.run(platform::net::kLoopbackAddress, port, c.header,
                                        std::vector<uint8_t>(data.begin(), data.end()));
        ASSERT_TRUE(r.replied) << c.what << ": " << r.error;
        EXPECT_EQ(r.replyCode, c.code) << c.what;
        if (c.code == 0) {
            // The data port the server listened on for this job (the host's connection to it
            // below proves it).
            EXPECT_NE(r.dataPort, 0) << c.what;
            EXPECT_TRUE(r.dataConnected && r.dataSent && r.serverClosed) << c.what << ": " << r.error;
        }
        EXPECT_EQ(r.extraBytes, 0u) << c.what << ": one reply only";
    }
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    EXPECT_EQ(jobtest::finishedJobs(spoolRoot(), "Laser").size(), 1u);
    EXPECT_EQ(jobtest::finishedJobs(spoolRoot(), "Locked").size(), 1u);
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Broken"), 0u);
}

TEST_F(JobServerTest, BusyAuxiliaryPortGivesCode5)
{
    // The configured data port is one that another program holds.
    platform::net::SocketResult holder = platform::net::listenTcp(platform::net::kAnyAddress, 0, 1, false);
    ASSERT_TRUE(holder.ok()) << holder.error.text;
    context->auxPort = holder.local.port;
    valdor::HostResult r = HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), {});
    ASSERT_TRUE(r.replied) << r.error;
    EXPECT_EQ(r.replyCode, 5);
    holder.socket.close();
    // The port is free again: the next job goes through.
    r = HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), {'x'});
    EXPECT_EQ(r.replyCode, 0) << r.error;
}

// The bytes reach the spooler unchanged however the host cuts its writes; the job names are
// the peer and a counter that rises across jobs.
TEST_F(JobServerTest, RawBytesArriveUnchangedAndNamesRise)
{
    struct Case
    {
        const char* what;
        HostOptions options;
        size_t size;
    };
    std::vector<Case> cases;
    cases.push_back({"plain", {}, 300000});
    HostOptions split;
    split.headerPieces = {1, 100, 300, 2};
    split.pieceDelayMs = 20;
    cases.push_back({"header in pieces", split, 5000});
    HostOptions together;
    together.headerWithFirstData = true;
    together.chunkSize = 1000;
    cases.push_back({"header and data in one write", together, 2500});
    HostOptions tiny;
    tiny.chunkSize = 1;
    cases.push_back({"one byte a write", tiny, 300});

    std::vector<std::string> sent;
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::vector<uint8_t> data = someData(cases[i].size, static_cast<unsigned>(i));
        valdor::HostResult r =
            HostSimulator(cases[i].options).run(platform::net::kLoopbackAddress, port, header("Laser"), data);
        ASSERT_EQ(r.replyCode, 0) << cases[i].what << ": " << r.error;
        ASSERT_TRUE(r.dataSent && r.serverClosed) << cases[i].what << ": " << r.error;
        sent.push_back(asText(data));
    }
    ASSERT_TRUE(server->WaitIdle(kWaitMs));

    const std::vector<jobtest::FolderJob> done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), cases.size());
    const std::regex name(R"(127\.0\.0\.1:(\d+)_(\d+))");
    for (size_t i = 0; i < done.size(); ++i) {
        EXPECT_TRUE(done[i].data == sent[i])
            << cases[i].what << ": " << done[i].data.size() << " bytes arrived";
        EXPECT_EQ(done[i].dataType, "RAW");
        std::smatch m;
        ASSERT_TRUE(std::regex_match(done[i].document, m, name)) << done[i].document;
        EXPECT_EQ(std::stoul(m[2].str()), i) << "the counter starts at 0 and rises by one";
    }
}

// The server reads what the socket holds into a buffer that grows once a read fills it; a job
// ends wherever the host stops, on a buffer's edge or one byte either side of it, before or
// after the buffer grew, and arrives whole.
TEST_F(JobServerTest, RawJobsOfEveryLengthAroundTheReadBufferArriveWhole)
{
    constexpr size_t first = typestone::CASTCPThread::kFirstChunk;
    constexpr size_t largest = typestone::CASTCPThread::kMaxChunk;
    struct Case
    {
        size_t size;
        size_t hostWrite;
    };
    const Case cases[] = {
        {first - 1, first},          {first, first},         {first + 1, first},
        {3 * first + 17, 64 * 1024}, {2 * largest, largest}, {3 * largest + 1, 512 * 1024},
    };
    std::vector<std::string> sent;
    for (size_t i = 0; i < std::size(cases); ++i) {
        HostOptions options;
        options.chunkSize = cases[i].hostWrite;
        const std::vector<uint8_t> data = someData(cases[i].size, static_cast<unsigned>(40 + i));
        const valdor::HostResult r =
            HostSimulator(options).run(platform::net::kLoopbackAddress, port, header("Laser"), data);
        ASSERT_EQ(r.replyCode, 0) << cases[i].size << " bytes: " << r.error;
        ASSERT_TRUE(r.dataSent && r.serverClosed && !r.serverReset) << cases[i].size << " bytes: " << r.error;
        sent.push_back(asText(data));
    }
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    const std::vector<jobtest::FolderJob> done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), std::size(cases));
    for (size_t i = 0; i < done.size(); ++i) {
        EXPECT_EQ(done[i].data.size(), cases[i].size);
        EXPECT_TRUE(done[i].data == sent[i]) << cases[i].size << " bytes: the content differs";
        EXPECT_TRUE(done[i].cutShort.empty()) << done[i].cutShort;
    }
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
}

TEST_F(JobServerTest, VersionFourDriverGetsXpsPass)
{
    spooler->v4 = {"Other"};
    valdor::HostResult r =
        HostSimulator().run(platform::net::kLoopbackAddress, port, header("Other"), {'a', 'b'});
    ASSERT_EQ(r.replyCode, 0) << r.error;
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    const auto done = jobtest::finishedJobs(spoolRoot(), "Other");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].dataType, "XPS_PASS");
    EXPECT_EQ(done[0].data, "ab");
}

// One printer: the second job waits for the first; a job whose host leaves while waiting
// gives up its place without freeing the printer of the job that runs.
TEST_F(JobServerTest, JobsForOnePrinterRunOneAfterTheOther)
{
    StepHost first;
    ASSERT_TRUE(first.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(first.readReply(kWaitMs));
    ASSERT_EQ(first.code, 0);
    ASSERT_TRUE(first.openData());
    ASSERT_TRUE(first.send("first-"));

    StepHost leaving;
    ASSERT_TRUE(leaving.connectAndSend(port, header("Laser")));
    StepHost second;
    ASSERT_TRUE(second.connectAndSend(port, header("Laser")));
    EXPECT_FALSE(second.readReply(300)) << "no reply while the printer is busy";
    leaving.control.close();
    EXPECT_FALSE(second.readReply(300)) << "the leaving host does not free the printer";

    ASSERT_TRUE(first.send("job"));
    ASSERT_TRUE(first.finish(kWaitMs));
    ASSERT_TRUE(second.readReply(kWaitMs));
    ASSERT_EQ(second.code, 0);
    ASSERT_TRUE(second.openData());
    ASSERT_TRUE(second.send("second job"));
    ASSERT_TRUE(second.finish(kWaitMs));
    ASSERT_TRUE(server->WaitIdle(kWaitMs));

    const auto done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].data, "first-job");
    EXPECT_EQ(done[1].data, "second job");
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
}

// Different printers: the second job starts while the first is still open, on the same
// auxiliary port that the first job's data connection still holds.
TEST_F(JobServerTest, JobsForDifferentPrintersOverlap)
{
    StepHost first;
    ASSERT_TRUE(first.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(first.readReply(kWaitMs));
    ASSERT_EQ(first.code, 0);
    ASSERT_TRUE(first.openData());
    // From now on the configured data port is the one the first job got, which its data
    // connection holds.
    context->auxPort = first.dataPort;

    StepHost second;
    ASSERT_TRUE(second.connectAndSend(port, header("Other")));
    ASSERT_TRUE(second.readReply(kWaitMs));
    ASSERT_EQ(second.code, 0);
    EXPECT_EQ(second.dataPort, first.dataPort);
    EXPECT_EQ(second.dataPort, context->auxPort.load());
    ASSERT_TRUE(second.openData());
    ASSERT_TRUE(second.send("B"));
    ASSERT_TRUE(first.send("A"));
    ASSERT_TRUE(second.finish(kWaitMs));
    ASSERT_TRUE(first.finish(kWaitMs));
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    EXPECT_EQ(jobtest::finishedJobs(spoolRoot(), "Laser").at(0).data, "A");
    EXPECT_EQ(jobtest::finishedJobs(spoolRoot(), "Other").at(0).data, "B");
}

// A host that never opens the data connection: after the accept time-out the connection
// ends, the started job is withdrawn and the printer serves the next job.
TEST_F(JobServerTest, MissingDataConnectionFreesThePrinter)
{
    context->acceptTimeoutMs = 300;
    StepHost silent;
    ASSERT_TRUE(silent.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(silent.readReply(kWaitMs));
    ASSERT_EQ(silent.code, 0);
    EXPECT_TRUE(silent.waitServerClose(kWaitMs));

    valdor::HostResult r =
        HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), {'o', 'k'});
    ASSERT_EQ(r.replyCode, 0) << r.error;
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    const auto done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].data, "ok");
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
}

// A host cut off in the middle of its job: what arrived is printed, and the printed job's
// record, the job log and the trace say it was cut short and why.
TEST_F(JobServerTest, AJobCutShortByTheHostIsPrintedWithWhatArrived)
{
    logAndTrace();
    const std::vector<uint8_t> data = someData(40000, 3);
    HostOptions options;
    options.chunkSize = 1000;
    options.resetAfter = 15000;
    options.beforeReset = [&] {
        EXPECT_TRUE(jobtest::waitFileSize(spoolRoot() + "/Laser", ".part", 15000))
            << "the server took the bytes";
    };
    const valdor::HostResult r =
        HostSimulator(options).run(platform::net::kLoopbackAddress, port, header("Laser"), data);
    ASSERT_EQ(r.replyCode, 0) << r.error;
    ASSERT_TRUE(r.hostReset) << r.error;
    ASSERT_TRUE(server->WaitIdle(kWaitMs));

    const auto done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].data == asText(data).substr(0, 15000)) << done[0].data.size() << " bytes printed";
    EXPECT_EQ(done[0].cutShort, "the host reset the connection");
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
    const std::string log = jobtest::JobTestEnv::jobLog();
    EXPECT_NE(log.find("\nCut short: the host reset the connection; what arrived was printed"),
              std::string::npos)
        << log;
    const std::string trace = jobtest::JobTestEnv::traceFile();
    EXPECT_NE(trace.find("cut short after 15000 bytes: the host reset the connection"), std::string::npos)
        << trace;
}

// A job that did not print ends with a reset, never with the orderly close a host takes for
// success; the job log and the trace say why, and nothing of it stays in the printer's folder.
// A job printed whole still ends in order.
TEST_F(JobServerTest, AJobThatDidNotPrintEndsWithAReset)
{
    logAndTrace();
    env.addPrinter("Full");
    spooler->failWrite = {"Other"};
    spooler->failFinish = {"Full"};
    context->acceptTimeoutMs = 300;
    HostOptions noDataConnection;
    noDataConnection.openDataConnection = false;
    struct Case
    {
        const char* what;
        std::string printer;
        HostOptions options;
        std::vector<uint8_t> data;
        std::string why; // empty: printed whole
    };
    const std::vector<Case> cases = {
        {"printed whole", "Laser", {}, someData(5000, 1), ""},
        {"the spooler refuses the data",
         "Other",
         {},
         someData(5000, 2),
         "the spooler refused the data: no space left on the test's device"},
        {"the spooler refuses the end",
         "Full",
         {},
         someData(5000, 3),
         "the spooler did not take the job: the test's spooler lost the job"},
        {"no data", "Laser", {}, {}, "no data arrived"},
        {"no data connection", "Laser", noDataConnection, someData(100, 4),
         "the host opened no data connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const valdor::HostResult r =
            HostSimulator(c.options).run(platform::net::kLoopbackAddress, port, header(c.printer), c.data);
        ASSERT_EQ(r.replyCode, 0) << r.error;
        ASSERT_TRUE(server->WaitIdle(kWaitMs));
        EXPECT_TRUE(r.serverClosed) << r.error;
        EXPECT_EQ(r.serverReset, !c.why.empty()) << r.error;
        if (!c.why.empty()) {
            EXPECT_NE(jobtest::JobTestEnv::jobLog().find("\nNot printed: " + c.why), std::string::npos)
                << jobtest::JobTestEnv::jobLog();
            EXPECT_NE(jobtest::JobTestEnv::traceFile().find("NOT printed"), std::string::npos);
            EXPECT_NE(jobtest::JobTestEnv::traceFile().find(c.why), std::string::npos);
        }
    }
    const auto done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), 1u) << "no empty document for the jobs without data";
    EXPECT_EQ(done[0].data, asText(cases[0].data));
    EXPECT_EQ(done[0].cutShort, "");
    EXPECT_EQ(jobtest::JobTestEnv::jobLog().find("Cut short"), std::string::npos);
    for (const char* printer : {"Laser", "Other", "Full"}) {
        EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), printer), 0u) << printer;
        if (std::string(printer) != "Laser") {
            EXPECT_TRUE(jobtest::finishedJobs(spoolRoot(), printer).empty()) << printer;
        }
    }
}

// A header that never completes gets code 2 after the header time-out; a host that leaves
// in the middle of its header gets code 2 as well (as far as it still listens).
TEST_F(JobServerTest, IncompleteHeaderGetsCode2)
{
    context->headerTimeoutMs = 300;
    std::vector<uint8_t> partial = header("Laser");
    partial.resize(400);
    StepHost slow;
    ASSERT_TRUE(slow.connectAndSend(port, partial));
    ASSERT_TRUE(slow.readReply(kWaitMs));
    EXPECT_EQ(slow.code, 2);
    EXPECT_TRUE(slow.waitServerClose(kWaitMs));
}

// Stopping the server ends every connection, also one waiting for its turn.
TEST_F(JobServerTest, StopEndsWaitingAndRunningJobs)
{
    StepHost running;
    ASSERT_TRUE(running.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(running.readReply(kWaitMs));
    ASSERT_TRUE(running.openData());
    ASSERT_TRUE(running.send("half a job"));
    // The bytes have reached the job.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    auto arrived = [&] {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(spoolRoot() + "/Laser", ec))
            if (e.path().extension() == ".part" && std::filesystem::file_size(e.path(), ec) == 10)
                return true;
        return false;
    };
    while (!arrived() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(arrived());
    StepHost waiting;
    ASSERT_TRUE(waiting.connectAndSend(port, header("Laser")));

    server->Stop();
    EXPECT_EQ(server->ActiveWorkers(), 0u);
    EXPECT_TRUE(running.waitServerClose(kWaitMs));
    EXPECT_TRUE(waiting.waitServerClose(kWaitMs));
    // Nothing the host sent is lost: the cut job is handed over with what arrived, marked as
    // cut short; the waiting one never started.
    const auto done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].data, "half a job");
    EXPECT_FALSE(done[0].cutShort.empty());
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
}

// Connections in every phase, some closed by their hosts while the server stops: the stop
// ends within its bound, joins every worker, leaves no printer busy and no spool file behind,
// and the server takes jobs again after it listens anew.
// A host that keeps the socket full (the disk is slower than the host): the worker reads piece
// after piece without reaching its poll, and the stop still ends the job at once, with what
// arrived kept and marked cut short.
TEST_F(JobServerTest, StopEndsAJobWhoseHostNeverPauses)
{
    spooler->slowWrite = {"Laser"};
    StepHost host;
    ASSERT_TRUE(host.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(host.readReply(kWaitMs));
    ASSERT_TRUE(host.openData());
    const std::vector<uint8_t> piece = someData(64 * 1024, 9);
    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        while (feeding)
            if (!platform::net::sendAll(host.control, piece.data(), piece.size(), 2000).ok())
                return;
    });
    const auto partSize = [&] {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(spoolRoot() + "/Laser", ec))
            if (e.path().extension() == ".part")
                return std::filesystem::file_size(e.path(), ec);
        return std::uintmax_t{0};
    };
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (partSize() < 4u * typestone::CASTCPThread::kMaxChunk && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(partSize(), 4u * typestone::CASTCPThread::kMaxChunk) << "the stream did not get going";

    server->Stop();
    EXPECT_EQ(server->ActiveWorkers(), 0u);
    feeding = false;
    feeder.join();
    const auto done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_FALSE(done[0].cutShort.empty());
    const std::string pattern = asText(piece);
    bool whole = done[0].data.size() >= 4u * typestone::CASTCPThread::kMaxChunk;
    for (size_t at = 0; whole && at < done[0].data.size(); at += pattern.size())
        whole = done[0].data.compare(at, pattern.size(), pattern, 0, done[0].data.size() - at) == 0;
    EXPECT_TRUE(whole) << done[0].data.size() << " bytes kept, not the stream's beginning";
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
}

TEST_F(JobServerTest, HostsClosingWhileTheServerStops)
{
    std::mt19937 gen(7);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<StepHost> hosts(8);
        ASSERT_TRUE(hosts[0].connectAndSend(port, {})); // silent
        std::vector<uint8_t> partial = header("Laser");
        partial.resize(300);
        ASSERT_TRUE(hosts[1].connectAndSend(port, partial));         // half a header
        ASSERT_TRUE(hosts[2].connectAndSend(port, header("Laser"))); // running
        ASSERT_TRUE(hosts[2].readReply(kWaitMs));
        ASSERT_EQ(hosts[2].code, 0);
        ASSERT_TRUE(hosts[2].openData());
        ASSERT_TRUE(hosts[2].send("part of a job"));
        ASSERT_TRUE(hosts[3].connectAndSend(port, header("Other"))); // accepted, no data port yet
        ASSERT_TRUE(hosts[3].readReply(kWaitMs));
        for (size_t i = 4; i < hosts.size(); ++i) // waiting for their turn
            ASSERT_TRUE(hosts[i].connectAndSend(port, header(i % 2 ? "Laser" : "Other")));

        std::thread closer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(gen() % 5));
            for (size_t i = 0; i < hosts.size(); i += 2)
                hosts[i].control.close();
        });
        const auto start = std::chrono::steady_clock::now();
        server->Stop();
        const auto tookMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        closer.join();
        EXPECT_LT(tookMs, 5000);
        EXPECT_EQ(server->ActiveWorkers(), 0u);
        EXPECT_EQ(context->connections.Count(), 0u);
        for (size_t i = 1; i < hosts.size(); i += 2)
            EXPECT_TRUE(hosts[i].waitServerClose(kWaitMs)) << i;

        // The sequencer's next pass frees every printer.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while ((!jobs->BusyPrinters().empty() || jobs->JobCount() != 0) &&
               std::chrono::steady_clock::now() < limit) {
            jobs->WakeSequencer(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(jobs->BusyPrinters().empty());
        EXPECT_EQ(jobs->JobCount(), 0u);
        EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
        EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Other"), 0u);

        std::string error;
        ASSERT_TRUE(server->Listen(platform::net::kLoopbackAddress, 0, &error)) << error;
        port = server->Port();
        ASSERT_TRUE(server->Start());
        valdor::HostResult r =
            HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), {'k'});
        ASSERT_EQ(r.replyCode, 0) << r.error;
        ASSERT_TRUE(server->WaitIdle(kWaitMs));
    }
}

// A worker whose connection ended waits for the next one: jobs one after the other are served
// by one waiting worker, at most kReadyWorkers wait after a crowd has left, and the stop ends
// their waits at once; after a new Listen and Start, jobs are served again.
TEST_F(JobServerTest, WorkersWaitForTheNextConnectionUntilTheStop)
{
    using typestone::CASTCPTypestone;
    auto readyAre = [this](size_t n) {
        for (int i = 0; i < kWaitMs / 10; ++i) {
            if (server->ReadyWorkers() == n)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    EXPECT_EQ(server->ReadyWorkers(), 0u);
    for (int i = 0; i < 3; ++i) {
        valdor::HostResult r = HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"),
                                                   {'j', static_cast<uint8_t>('0' + i)});
        ASSERT_EQ(r.replyCode, 0) << r.error;
        ASSERT_TRUE(r.serverClosed) << r.error;
        ASSERT_TRUE(server->WaitIdle(kWaitMs));
        EXPECT_TRUE(readyAre(1)) << "job " << i << ": " << server->ReadyWorkers();
    }
    EXPECT_EQ(jobtest::finishedJobs(spoolRoot(), "Laser").size(), 3u);

    std::vector<StepHost> crowd(CASTCPTypestone::kReadyWorkers + 3);
    for (StepHost& h : crowd)
        ASSERT_TRUE(h.connectAndSend(port, {}));
    for (int i = 0; i < kWaitMs / 10 && server->ActiveWorkers() < crowd.size(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(server->ActiveWorkers(), crowd.size());
    EXPECT_EQ(server->ReadyWorkers(), 0u) << "the waiting worker took the first of them";
    for (StepHost& h : crowd)
        h.control.close();
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    EXPECT_TRUE(readyAre(CASTCPTypestone::kReadyWorkers)) << server->ReadyWorkers();

    auto stopped = std::async(std::launch::async, [this] { server->Stop(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(server->ReadyWorkers(), 0u);

    std::string error;
    ASSERT_TRUE(server->Listen(platform::net::kLoopbackAddress, 0, &error)) << error;
    port = server->Port();
    ASSERT_TRUE(server->Start());
    valdor::HostResult r = HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), {'k'});
    ASSERT_EQ(r.replyCode, 0) << r.error;
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    EXPECT_TRUE(readyAre(1));
}

// A job in line waits without time slices: a host that leaves the line ends its wait at
// once (its worker is gone while the printer is still busy), and one that sent print data
// behind its header still waits, gets its turn and prints all of it.
TEST_F(JobServerTest, AJobInLineEndsWhenItsHostLeavesAndKeepsDataSentEarly)
{
    StepHost running;
    ASSERT_TRUE(running.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(running.readReply(kWaitMs));
    ASSERT_EQ(running.code, 0);
    ASSERT_TRUE(running.openData());

    StepHost eager;
    std::vector<uint8_t> headerAndData = header("Laser");
    const std::string early = "sent early;";
    headerAndData.insert(headerAndData.end(), early.begin(), early.end());
    ASSERT_TRUE(eager.connectAndSend(port, headerAndData));
    StepHost leaving;
    ASSERT_TRUE(leaving.connectAndSend(port, header("Laser")));
    for (int i = 0; i < kWaitMs / 10 && server->ActiveWorkers() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(server->ActiveWorkers(), 3u);

    leaving.control.close();
    for (int i = 0; i < kWaitMs / 10 && server->ActiveWorkers() > 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server->ActiveWorkers(), 2u);
    EXPECT_FALSE(eager.readReply(200)); // still in line

    ASSERT_TRUE(running.send("first"));
    ASSERT_TRUE(running.finish(kWaitMs));
    ASSERT_TRUE(eager.readReply(kWaitMs));
    ASSERT_EQ(eager.code, 0);
    ASSERT_TRUE(eager.openData());
    ASSERT_TRUE(eager.send("and the rest"));
    ASSERT_TRUE(eager.finish(kWaitMs));
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    std::vector<std::string> printed;
    for (const auto& job : jobtest::finishedJobs(spoolRoot(), "Laser"))
        printed.push_back(job.data);
    std::sort(printed.begin(), printed.end());
    EXPECT_EQ(printed, (std::vector<std::string>{"first", "sent early;and the rest"}));
}

// Jobs in line for the hand-shake lock (each on its own printer): one whose host leaves gives
// up its place at once, without ever being replied to, and its started job is withdrawn; the
// others are replied to when the lock is free, and print.
TEST_F(JobServerTest, AJobInLineForTheHandShakeLeavesWhenItsHostGoes)
{
    std::atomic<bool> never{false};
    typestone::HandshakeLock::Hold held = jobs->LockHandshake(&never);
    ASSERT_TRUE(held.owns_lock());
    auto lineIs = [&](size_t n) {
        for (int i = 0; i < kWaitMs / 10 && jobs->Handshake().Waiting() != n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return jobs->Handshake().Waiting() == n;
    };
    StepHost first;
    StepHost leaving;
    StepHost last;
    ASSERT_TRUE(first.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(lineIs(1));
    ASSERT_TRUE(leaving.connectAndSend(port, header("Other")));
    ASSERT_TRUE(lineIs(2));
    ASSERT_TRUE(last.connectAndSend(port, header("Locked", "pw")));
    ASSERT_TRUE(lineIs(3));

    leaving.control.close();
    EXPECT_TRUE(lineIs(2)) << "the host's close ends its wait while the lock is still held";
    for (int i = 0; i < kWaitMs / 10 && server->ActiveWorkers() > 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server->ActiveWorkers(), 2u);

    held.unlock();
    ASSERT_TRUE(first.readReply(kWaitMs));
    ASSERT_EQ(first.code, 0);
    ASSERT_TRUE(first.openData());
    ASSERT_TRUE(last.readReply(kWaitMs));
    ASSERT_EQ(last.code, 0);
    ASSERT_TRUE(last.openData());
    ASSERT_TRUE(first.send("first in line"));
    ASSERT_TRUE(first.finish(kWaitMs));
    ASSERT_TRUE(last.send("last in line"));
    ASSERT_TRUE(last.finish(kWaitMs));
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    const auto laser = jobtest::finishedJobs(spoolRoot(), "Laser");
    const auto locked = jobtest::finishedJobs(spoolRoot(), "Locked");
    ASSERT_EQ(laser.size(), 1u);
    ASSERT_EQ(locked.size(), 1u);
    EXPECT_EQ(laser[0].data, "first in line");
    EXPECT_EQ(locked[0].data, "last in line");
    EXPECT_TRUE(jobtest::finishedJobs(spoolRoot(), "Other").empty());
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Other"), 0u);
}

// Jobs in line for the hand-shake lock are replied to one at a time, in the order they came:
// the next host has its reply only once the one before has opened its data connection, so each
// data connection pairs with its own job.
TEST_F(JobServerTest, JobsInLineForTheHandShakeAreRepliedToOneAfterTheOther)
{
    std::atomic<bool> never{false};
    typestone::HandshakeLock::Hold held = jobs->LockHandshake(&never);
    ASSERT_TRUE(held.owns_lock());
    const std::vector<std::pair<std::string, std::string>> printersInLine = {
        {"Laser", ""}, {"Other", ""}, {"Locked", "pw"}};
    std::vector<StepHost> hosts(printersInLine.size());
    for (size_t i = 0; i < hosts.size(); ++i) {
        ASSERT_TRUE(hosts[i].connectAndSend(port, header(printersInLine[i].first, printersInLine[i].second)));
        for (int t = 0; t < kWaitMs / 10 && jobs->Handshake().Waiting() != i + 1; ++t)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(jobs->Handshake().Waiting(), i + 1);
    }
    held.unlock();
    for (size_t i = 0; i < hosts.size(); ++i) {
        ASSERT_TRUE(hosts[i].readReply(kWaitMs)) << printersInLine[i].first;
        ASSERT_EQ(hosts[i].code, 0) << printersInLine[i].first;
        // Well within the time a holder waits for its host's data connection.
        if (i + 1 < hosts.size()) {
            EXPECT_FALSE(hosts[i + 1].readReply(100))
                << printersInLine[i + 1].first << " replied to before " << printersInLine[i].first
                << " opened its data connection";
        }
        ASSERT_TRUE(hosts[i].openData()) << printersInLine[i].first;
    }
    // The data goes in the other order: each job still has its own.
    for (size_t i = hosts.size(); i-- > 0;) {
        ASSERT_TRUE(hosts[i].send("job for " + printersInLine[i].first));
        ASSERT_TRUE(hosts[i].finish(kWaitMs));
    }
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    for (const auto& [printer, password] : printersInLine) {
        const auto printed = jobtest::finishedJobs(spoolRoot(), printer);
        ASSERT_EQ(printed.size(), 1u) << printer;
        EXPECT_EQ(printed[0].data, "job for " + printer);
    }
}

// The server's stop ends a job waiting for the hand-shake lock at once, while the lock is
// still held: the host sees the close and the started job is withdrawn.
TEST_F(JobServerTest, StopEndsAJobInLineForTheHandShake)
{
    std::atomic<bool> never{false};
    typestone::HandshakeLock::Hold held = jobs->LockHandshake(&never);
    ASSERT_TRUE(held.owns_lock());
    StepHost waiting;
    ASSERT_TRUE(waiting.connectAndSend(port, header("Laser")));
    for (int i = 0; i < kWaitMs / 10 && jobs->Handshake().Waiting() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(jobs->Handshake().Waiting(), 1u);

    server->Stop();
    EXPECT_EQ(server->ActiveWorkers(), 0u);
    EXPECT_EQ(jobs->Handshake().Waiting(), 0u);
    EXPECT_TRUE(waiting.waitServerClose(kWaitMs));
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
}

// A burst of hosts that connect while nobody accepts yet all get through: the job port's
// queue is not the short one that drops connections into retries seconds apart.
TEST_F(JobServerTest, ABurstOfHostsIsQueuedWhileTheServerIsNotAcceptingYet)
{
    constexpr size_t kHosts = 128;
    server->Stop();
    std::string error;
    ASSERT_TRUE(server->Listen(platform::net::kLoopbackAddress, 0, &error)) << error;
    port = server->Port();
    std::vector<platform::net::Socket> hosts;
    for (size_t i = 0; i < kHosts; ++i) {
        // Well under the first retry of a dropped connection (a second).
        platform::net::SocketResult c = platform::net::connectTcp(platform::net::kLoopbackAddress, port, 900);
        ASSERT_TRUE(c.ok()) << "host " << i << ": " << c.error.text;
        hosts.push_back(std::move(c.socket));
    }
    ASSERT_TRUE(server->Start());
    for (int i = 0; i < kWaitMs / 10 && server->ActiveWorkers() < kHosts; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server->ActiveWorkers(), kHosts);
    hosts.clear();
    EXPECT_TRUE(server->WaitIdle(kWaitMs));
    valdor::HostResult r =
        HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), {'o', 'k'});
    EXPECT_EQ(r.replyCode, 0) << r.error;
}

// Beyond the cap a connection is closed as soon as it is accepted, without a reply; those
// within it are served as usual, and a slot that frees takes a job again.
TEST_F(JobServerTest, ConnectionsOverTheCapAreClosedAtOnce)
{
    context->maxConnections = 2;
    auto workersAre = [this](size_t n) {
        for (int i = 0; i < kWaitMs / 10; ++i) {
            if (server->ActiveWorkers() == n)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    std::vector<StepHost> held(2);
    for (StepHost& h : held)
        ASSERT_TRUE(h.connectAndSend(port, {}));
    ASSERT_TRUE(workersAre(2));

    StepHost over;
    ASSERT_TRUE(over.connectAndSend(port, header("Laser")));
    EXPECT_FALSE(over.readReply(kWaitMs)); // the close comes, no reply
    EXPECT_TRUE(over.waitServerClose(kWaitMs));
    valdor::HostResult refused =
        HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), {'n', 'o'});
    EXPECT_FALSE(refused.replied);
    EXPECT_FALSE(refused.error.empty());
    for (StepHost& h : held)
        EXPECT_FALSE(h.waitServerClose(200)); // still served
    EXPECT_EQ(server->ActiveWorkers(), 2u);
    EXPECT_TRUE(jobtest::finishedJobs(spoolRoot(), "Laser").empty());

    held[0].control.close();
    ASSERT_TRUE(workersAre(1));
    valdor::HostResult r =
        HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), {'o', 'k'});
    ASSERT_EQ(r.replyCode, 0) << r.error;
    for (int i = 0; i < kWaitMs / 10 && jobtest::finishedJobs(spoolRoot(), "Laser").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].data, "ok");
}

// The hand-shake lock covers the data port, not the job's start: a printer slow to start (a
// spooler that takes its time) holds up no other host's hand-shake.
TEST_F(JobServerTest, APrinterSlowToStartHoldsUpNoOtherHost)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool laserStarting = false;
    bool released = false;
    bool gaveUp = false; // the slow start ended by its own bound, not released
    spooler->beforeStart = [&](const std::string& printer) {
        if (printer != "Laser")
            return;
        std::unique_lock<std::mutex> lock(mutex);
        laserStarting = true;
        changed.notify_all();
        gaveUp = !changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return released; });
    };
    const std::vector<uint8_t> data = {'s', 'l', 'o', 'w', '\f'};
    valdor::HostResult slow;
    std::thread slowHost(
        [&] { slow = HostSimulator().run(platform::net::kLoopbackAddress, port, header("Laser"), data); });
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(
            changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return laserStarting; }));
    }
    const valdor::HostResult quick =
        HostSimulator().run(platform::net::kLoopbackAddress, port, header("Other"), data);
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
    slowHost.join();
    EXPECT_TRUE(quick.error.empty()) << quick.error;
    EXPECT_EQ(quick.replyCode, 0);
    EXPECT_FALSE(gaveUp) << "the other host waited for the slow start";
    EXPECT_TRUE(slow.error.empty()) << slow.error;
    EXPECT_EQ(slow.replyCode, 0);
    for (const char* printer : {"Other", "Laser"}) {
        const auto done = jobtest::finishedJobs(spoolRoot(), printer);
        ASSERT_EQ(done.size(), 1u) << printer;
        EXPECT_EQ(done[0].data, "slow\f") << printer;
    }
}
