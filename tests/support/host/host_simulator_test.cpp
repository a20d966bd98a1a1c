#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"
#include "tests/support/host/host_simulator.h"
#include "tests/support/host/job_request.h"

#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace valdor;
using namespace platform::net;

namespace {

constexpr int kWaitMs = 5000;

uint16_t u16At(const std::vector<uint8_t>& b, size_t offset)
{
    return static_cast<uint16_t>(b[offset] | (b[offset + 1] << 8));
}

std::string textAt(const std::vector<uint8_t>& b, size_t offset, size_t width)
{
    const auto* p = reinterpret_cast<const char*>(b.data() + offset);
    return std::string(p, strnlen(p, width));
}

// A server that plays the other side of one job: it reads the 807-byte header (keeping every
// byte the control connection brings), replies, accepts the data connection after code 0,
// collects the rest of the control connection until the host closes it, then closes (with a
// reset in ResetAtEnd, as a server whose job failed).
class FakeServer
{
public:
    enum class Mode
    {
        Reply,
        CloseWithoutReply,
        ResetAtEnd,
    };

    FakeServer(uint16_t code, Mode mode = Mode::Reply, int dataAcceptMs = kWaitMs)
        : m_code(code), m_mode(mode), m_dataAcceptMs(dataAcceptMs)
    {
        SocketResult l = listenTcp(kLoopbackAddress, 0, 5, false);
        EXPECT_TRUE(l.ok()) << l.error.text;
        m_port = l.local.port;
        m_listener = std::move(l.socket);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeServer() { join(); }

    uint16_t port() const { return m_port; }
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    std::vector<uint8_t> control;    // everything received on the control connection
    std::atomic<size_t> received{0}; // its size, readable while the server runs
    uint16_t dataPort = 0;
    bool dataAccepted = false;
    bool dataClosedByHost = false;
    size_t dataConnectionBytes = 0;
    std::string error;

private:
    bool readControl(const Socket& s, size_t until)
    {
        uint8_t buf[8192];
        while (control.size() < until) {
            IoResult r = receiveSome(s, buf, sizeof buf, kWaitMs);
            if (r.status == IoStatus::PeerClosed)
                return until == SIZE_MAX;
            if (!r.ok()) {
                error = r.error.text;
                return false;
            }
            control.insert(control.end(), buf, buf + r.bytes);
            received = control.size();
        }
        return true;
    }

    void serve()
    {
        AcceptResult c = acceptWithin(m_listener, kWaitMs);
        if (!c.ok()) {
            error = c.error.text;
            return;
        }
        if (!readControl(c.socket, kHeaderSize) || m_mode == Mode::CloseWithoutReply)
            return;

        Socket dataListener;
        if (m_code == ReplyAccepted) {
            SocketResult d = listenTcp(kLoopbackAddress, 0, 5, false);
            ASSERT_TRUE(d.ok()) << d.error.text;
            dataPort = d.local.port;
            dataListener = std::move(d.socket);
        }
        const uint8_t reply[4] = {static_cast<uint8_t>(m_code), static_cast<uint8_t>(m_code >> 8),
                                  static_cast<uint8_t>(dataPort), static_cast<uint8_t>(dataPort >> 8)};
        ASSERT_TRUE(sendAll(c.socket, reply, sizeof reply, kWaitMs).ok());

        Socket data;
        if (dataListener.isValid()) {
            AcceptResult a = acceptWithin(dataListener, m_dataAcceptMs);
            dataAccepted = a.ok();
            data = std::move(a.socket);
        }
        readControl(c.socket, SIZE_MAX);
        if (data.isValid()) {
            uint8_t buf[256];
            for (;;) {
                IoResult r = receiveSome(data, buf, sizeof buf, kWaitMs);
                if (!r.ok()) {
                    dataClosedByHost = r.status == IoStatus::PeerClosed;
                    break;
                }
                dataConnectionBytes += r.bytes;
            }
        }
        if (m_mode == Mode::ResetAtEnd) {
            ASSERT_TRUE(setAbortiveClose(c.socket));
        }
    }

    uint16_t m_code;
    Mode m_mode;
    int m_dataAcceptMs;
    uint16_t m_port = 0;
    Socket m_listener;
    std::thread m_thread;
};

std::vector<uint8_t> sampleData(size_t n)
{
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i)
        data[i] = static_cast<uint8_t>((i * 7 + 3) ^ (i >> 8));
    return data;
}

} // namespace

TEST(JobHeader, PutsEveryFieldAtItsOffsetWithTheHandComputedChecksum)
{
    JobRequest request;
    request.printer = "LPT1";
    request.password = "secret";
    request.cols = 132;
    request.rows = 66;
    request.options = kOptionRaw;
    request.colour = 7;
    request.docName = "Report";
    request.output = "C:\\OUT.PDF";
    request.version = 0x0102;
    const std::vector<uint8_t> h = buildHeader(request);

    ASSERT_EQ(h.size(), 807u);
    const std::vector<uint8_t> magic = {0xFF, 0xFE, 'T', 'y', 'p', 'e', 's', 't', 'o', 'n', 'e'};
    EXPECT_EQ(std::vector<uint8_t>(h.begin() + 2, h.begin() + 13), magic);
    EXPECT_EQ(h[0], 0);
    EXPECT_EQ(h[1], 0);
    for (size_t i = 13; i < 18; ++i)
        EXPECT_EQ(h[i], 0) << i;
    EXPECT_EQ(h[18], 0x02);
    EXPECT_EQ(h[19], 0x01);
    // FEFF ^ 7954 ("Ty") ^ 6570 ("pe") ^ 7473 ("st") ^ 6E6F ("on") ^ 0065 ("e\0") ^ 0102 = F9A0
    EXPECT_EQ(h[22], 0xA0);
    EXPECT_EQ(h[23], 0xF9);

    const size_t r = 24;
    EXPECT_EQ(textAt(h, r + 0, 255), "LPT1");
    EXPECT_EQ(textAt(h, r + 255, 9), "secret");
    EXPECT_EQ(u16At(h, r + 264), 132);
    EXPECT_EQ(u16At(h, r + 266), 66);
    EXPECT_EQ(u16At(h, r + 268), 1);
    EXPECT_EQ(h[r + 270], 7);
    EXPECT_EQ(textAt(h, r + 271, 256), "Report");
    EXPECT_EQ(textAt(h, r + 527, 256), "C:\\OUT.PDF");
    EXPECT_EQ(r + 527 + 256, h.size());

    const std::vector<uint8_t> d = buildHeader(JobRequest{});
    EXPECT_EQ(u16At(d, r + 264), 80);
    EXPECT_EQ(u16At(d, r + 266), 58);
    EXPECT_EQ(u16At(d, r + 268), 0);
    EXPECT_EQ(d[r + 270], 15);
}

TEST(JobHeader, CutsLongTextAtItsWidthAndChecksumsBytes2To21Only)
{
    JobRequest request;
    request.printer = std::string(300, 'P');
    request.password = "123456789";
    request.docName = std::string(256, 'D');
    request.output = std::string(255, 'O');
    const std::vector<uint8_t> h = buildHeader(request);
    EXPECT_EQ(textAt(h, 24 + 0, 255), std::string(254, 'P'));
    EXPECT_EQ(h[24 + 254], 0);
    EXPECT_EQ(textAt(h, 24 + 255, 9), "12345678");
    EXPECT_EQ(h[24 + 263], 0);
    EXPECT_EQ(textAt(h, 24 + 271, 256), std::string(255, 'D'));
    EXPECT_EQ(textAt(h, 24 + 527, 256), std::string(255, 'O'));
    EXPECT_EQ(h[806], 0);
    // 255 characters fill the output field exactly and are kept whole.
    EXPECT_EQ(cutFields(request), (std::vector<std::string>{"printer", "password", "docname"}));
    EXPECT_TRUE(cutFields(JobRequest{"P", "12345678", 80, 58, 0, 15, "", "", 100}).empty());

    const std::vector<uint8_t> good = buildHeader(JobRequest{});
    const uint16_t stored = u16At(good, 22);
    ASSERT_EQ(headerChecksum(good), stored);
    for (size_t i = 0; i < 40; ++i) {
        std::vector<uint8_t> bad = good;
        bad[i] ^= 0x40;
        if (i >= 2 && i < 22) {
            EXPECT_NE(headerChecksum(bad), u16At(bad, 22)) << "byte " << i;
            fixChecksum(bad);
            EXPECT_EQ(headerChecksum(bad), u16At(bad, 22)) << "byte " << i;
        } else if (i < 2 || i >= 24) {
            EXPECT_EQ(headerChecksum(bad), stored) << "byte " << i;
        }
    }
    std::vector<uint8_t> tiny(10, 0xFF);
    fixChecksum(tiny);
    EXPECT_EQ(tiny, std::vector<uint8_t>(10, 0xFF));
}

TEST(HostSimulator, SplitsTheHeaderIntoThePiecesAskedFor)
{
    const struct
    {
        std::vector<size_t> pieces;
        std::vector<size_t> writes;
    } cases[] = {
        {{}, {807}},
        {{807}, {807}},
        {{1000}, {807}},
        {{1, 10, 300}, {1, 10, 300, 496}},
        {{0, 24, 0}, {24, 783}},
        {{800, 100}, {800, 7}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HostSimulator::headerWrites(807, c.pieces), c.writes);
    EXPECT_EQ(HostSimulator::headerWrites(0, {5}), std::vector<size_t>{0});
}

TEST(HostSimulator, DeliversHeaderAndDataUnchangedOnTheControlConnection)
{
    JobRequest request;
    request.printer = "Laser";
    request.password = "pw";
    const std::vector<uint8_t> header = buildHeader(request);
    const std::vector<uint8_t> data = sampleData(70000);

    struct Case
    {
        const char* name;
        HostOptions options;
    };
    std::vector<Case> cases;
    cases.push_back({"defaults", {}});
    HostOptions small;
    small.chunkSize = 7;
    cases.push_back({"small chunks", small});
    HostOptions split;
    split.headerPieces = {1, 10, 300};
    split.pieceDelayMs = 20;
    cases.push_back({"split header", split});
    HostOptions together;
    together.headerWithFirstData = true;
    together.chunkSize = 1000;
    cases.push_back({"header with first data", together});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServer server(ReplyAccepted);
        const HostResult result = HostSimulator(c.options).run(kLoopbackAddress, server.port(), header, data);
        server.join();
        EXPECT_EQ(result.error, "");
        EXPECT_TRUE(result.replied);
        EXPECT_EQ(result.replyCode, ReplyAccepted);
        EXPECT_EQ(result.dataPort, server.dataPort);
        EXPECT_TRUE(result.dataConnected);
        EXPECT_TRUE(result.dataSent);
        EXPECT_EQ(result.bytesSent, data.size());
        EXPECT_TRUE(result.serverClosed);

        EXPECT_EQ(server.error, "");
        ASSERT_EQ(server.control.size(), header.size() + data.size());
        EXPECT_TRUE(std::equal(header.begin(), header.end(), server.control.begin()));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), server.control.begin() + 807));
        EXPECT_TRUE(server.dataAccepted);
        EXPECT_TRUE(server.dataClosedByHost);
        EXPECT_EQ(server.dataConnectionBytes, 0u);
    }
}

TEST(HostSimulator, SendsNoDataAfterARefusalOrWithoutAReply)
{
    const std::vector<uint8_t> header = buildHeader(JobRequest{});
    const std::vector<uint8_t> data = sampleData(1000);
    {
        FakeServer server(ReplyWrongPassword);
        const HostResult result = HostSimulator().run(kLoopbackAddress, server.port(), header, data);
        server.join();
        EXPECT_EQ(result.error, "");
        EXPECT_TRUE(result.replied);
        EXPECT_EQ(result.replyCode, ReplyWrongPassword);
        EXPECT_FALSE(result.dataConnected);
        EXPECT_FALSE(result.dataSent);
        EXPECT_EQ(result.bytesSent, 0u);
        EXPECT_EQ(server.control, header);
    }
    {
        FakeServer server(ReplyAccepted, FakeServer::Mode::CloseWithoutReply);
        const HostResult result = HostSimulator().run(kLoopbackAddress, server.port(), header, data);
        EXPECT_FALSE(result.replied);
        EXPECT_FALSE(result.dataSent);
        EXPECT_NE(result.error.find("0 of 4 reply bytes"), std::string::npos) << result.error;
    }
    {
        uint16_t closedPort;
        {
            SocketResult l = listenTcp(kLoopbackAddress, 0, 1, false);
            ASSERT_TRUE(l.ok());
            closedPort = l.local.port;
        }
        const HostResult result = HostSimulator().run(kLoopbackAddress, closedPort, header, data);
        EXPECT_FALSE(result.replied);
        EXPECT_NE(result.error.find("WSAECONNREFUSED"), std::string::npos) << result.error;
    }
}

TEST(HostSimulator, CanLeaveOutTheDataConnection)
{
    const std::vector<uint8_t> header = buildHeader(JobRequest{});
    const std::vector<uint8_t> data = sampleData(500);
    FakeServer server(ReplyAccepted, FakeServer::Mode::Reply, 200);
    HostOptions options;
    options.openDataConnection = false;
    const HostResult result = HostSimulator(options).run(kLoopbackAddress, server.port(), header, data);
    server.join();
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.replyCode, ReplyAccepted);
    EXPECT_FALSE(result.dataConnected);
    EXPECT_FALSE(server.dataAccepted);
    EXPECT_EQ(server.control.size(), header.size() + data.size());
}

// The host tells the server's reset from its orderly close, and can itself cut a job short
// with a reset once the server holds the bytes sent so far.
TEST(HostSimulator, TellsAResetFromACloseAndCanResetItself)
{
    const std::vector<uint8_t> header = buildHeader(JobRequest{});
    const std::vector<uint8_t> data = sampleData(3000);
    for (const auto mode : {FakeServer::Mode::Reply, FakeServer::Mode::ResetAtEnd}) {
        const bool reset = mode == FakeServer::Mode::ResetAtEnd;
        SCOPED_TRACE(reset ? "server resets" : "server closes");
        FakeServer server(ReplyAccepted, mode);
        const HostResult result = HostSimulator().run(kLoopbackAddress, server.port(), header, data);
        server.join();
        EXPECT_EQ(result.error, "");
        EXPECT_TRUE(result.dataSent);
        EXPECT_TRUE(result.serverClosed);
        EXPECT_EQ(result.serverReset, reset);
        EXPECT_FALSE(result.hostReset);
    }

    FakeServer server(ReplyAccepted);
    HostOptions options;
    options.chunkSize = 512;
    options.resetAfter = 1000;
    options.beforeReset = [&] {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (server.received < header.size() + 1000 && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    const HostResult result = HostSimulator(options).run(kLoopbackAddress, server.port(), header, data);
    server.join();
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.hostReset);
    EXPECT_FALSE(result.dataSent);
    EXPECT_EQ(result.bytesSent, 1000u);
    EXPECT_EQ(server.control.size(), header.size() + 1000);
    EXPECT_NE(server.error.find("WSAECONNRESET"), std::string::npos) << server.error;
}

TEST(ValdorHostCommand, SendsAFileWithTheGivenFieldsAndRefusesBadArguments)
{
    ts::support::TempDir folder("valdor-host");
    ASSERT_TRUE(folder.ok()) << folder.error();
    const std::filesystem::path dir = folder.path();
    const std::vector<uint8_t> data = sampleData(9000);
    {
        std::ofstream out(dir / "job.prn", std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    auto runCommand = [&](const std::string& args, std::string* output) {
        const std::string command = std::string(VALDOR_HOST_EXE) + " " + args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return -1;
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            output->append(buf, n);
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };

    {
        FakeServer server(ReplyAccepted);
        std::string output;
        const int rc =
            runCommand("--host 127.0.0.1 --port " + std::to_string(server.port()) +
                           " --printer Laser --password pw --cols 132 --rows 66 --raw --doc D --output O"
                           " --version 7 --chunk 100 " +
                           (dir / "job.prn").string(),
                       &output);
        server.join();
        EXPECT_EQ(rc, 0) << output;
        EXPECT_NE(output.find("reply code 0"), std::string::npos) << output;
        EXPECT_NE(output.find("sent 9000 of 9000 bytes"), std::string::npos) << output;
        ASSERT_EQ(server.control.size(), 807 + data.size());
        JobRequest expected{"Laser", "pw", 132, 66, kOptionRaw, 15, "D", "O", 7};
        EXPECT_TRUE(
            std::equal(server.control.begin(), server.control.begin() + 807, buildHeader(expected).begin()));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), server.control.begin() + 807));
    }
    {
        FakeServer server(ReplyNotShared);
        std::string output;
        const int rc = runCommand("--host 127.0.0.1 --port " + std::to_string(server.port()) +
                                      " --printer X " + (dir / "job.prn").string(),
                                  &output);
        server.join();
        EXPECT_EQ(rc, 1) << output;
        EXPECT_NE(output.find("reply code 7"), std::string::npos) << output;
    }
    const std::vector<std::string> badArguments = {
        "--port 3339 --printer X f", "--host 127.0.0.1 --port 70000 --printer X f",
        "--host 127.0.0.1 --port 1 --printer X --chunk 0 f",
        "--host 127.0.0.1 --port 1 --printer X --bogus f",
        "--host 127.0.0.1 --port 1 --printer X " + (dir / "missing").string()};
    for (const std::string& bad : badArguments) {
        std::string output;
        EXPECT_EQ(runCommand(bad, &output), 2) << bad << "\n" << output;
    }
}
