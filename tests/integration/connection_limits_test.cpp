// The program under descriptor limits: its soft limit is raised to the hard one, many idle
// connections cost it no CPU time, connections over its cap are closed at once, a listener out
// of descriptors does not spin, and a normal job still prints.

#include "server_run_fixture.h"

#include "platform/net/socket_io.h"

#include <sys/resource.h>

namespace {

using namespace runtest;
using platform::net::IoStatus;
using platform::net::Socket;

constexpr size_t kIdle = 600;
// A server that spins uses the whole window; an idle one next to nothing, also under a
// sanitizer on a loaded machine.
constexpr int kWindowMs = 3000;
constexpr double kMostCpuSeconds = 1.0;

// User and system CPU time of a process, in seconds (/proc/<pid>/stat, fields 14 and 15).
double cpuSeconds(qint64 pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        else if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

// The CPU time the process uses over the window.
double cpuOverWindow(qint64 pid)
{
    const double before = cpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(kWindowMs));
    return cpuSeconds(pid) - before;
}

// Opens connections to the job port one after the other, a little apart: the job port's queue
// is short, and a connect that finds it full waits a second or more for its SYN to be sent
// again. A server that stops taking connections leaves the queue full, so the first connect
// that fails ends the opening. The ones that connected.
std::vector<Socket> openIdle(uint16_t port, size_t count)
{
    std::vector<Socket> open;
    for (size_t i = 0; i < count; ++i) {
        platform::net::SocketResult c = platform::net::connectTcp("127.0.0.1", port, 10000);
        if (!c.ok())
            break;
        open.push_back(std::move(c.socket));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return open;
}

// How many of the connections the server has closed, waiting until at least `atLeast` are
// (at most 30 s); each socket is looked at without waiting.
size_t closedByServer(const std::vector<Socket>& sockets, size_t atLeast)
{
    std::vector<bool> closed(sockets.size(), false);
    size_t count = 0;
    for (int round = 0; round < 300; ++round) {
        for (size_t i = 0; i < sockets.size(); ++i) {
            if (closed[i])
                continue;
            uint8_t byte;
            const IoStatus s = platform::net::receiveSome(sockets[i], &byte, 1, 0).status;
            if (s == IoStatus::PeerClosed || s == IoStatus::Failed) {
                closed[i] = true;
                ++count;
            }
        }
        if (count >= atLeast)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return count;
}

std::string openFilesLine(qint64 pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/limits");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("Max open files", 0) == 0)
            return line;
    return {};
}

size_t openDescriptors(qint64 pid)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
        ++n;
    return n;
}

class ConnectionLimitsTest : public ServerRunTest
{
protected:
    void SetUp() override
    {
        ServerRunTest::SetUp();
        // This program holds the idle connections' other ends.
        rlimit own{};
        ::getrlimit(RLIMIT_NOFILE, &own);
        if (own.rlim_max != RLIM_INFINITY && own.rlim_max < 4096)
            GTEST_SKIP() << "a hard descriptor limit of 4096 is needed, this one is " << own.rlim_max;
        own.rlim_cur = own.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &own);
    }

    void startWithLimit(rlim_t soft, rlim_t hard)
    {
        childSetup = [soft, hard] {
            const rlimit limit{soft, hard};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        };
        start();
    }

    // A raw job, sent again while the server still counts the workers of connections that
    // just closed (it refuses without a reply then); true when it printed.
    bool printJob(const std::string& text)
    {
        valdor::JobRequest job;
        job.printer = "Printer1";
        job.options = valdor::kOptionRaw;
        job.docName = "limits";
        const std::vector<uint8_t> data(text.begin(), text.end());
        const size_t before = printedJobs().size();
        for (int attempt = 0; attempt < 50; ++attempt) {
            valdor::HostResult r =
                valdor::HostSimulator().run("127.0.0.1", tcp, valdor::buildHeader(job), data);
            if (r.replied) {
                EXPECT_EQ(r.replyCode, valdor::ReplyAccepted) << r.error;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        for (int i = 0; i < 200; ++i) {
            const std::vector<std::string> jobs = printedJobs();
            if (jobs.size() > before)
                return std::find(jobs.begin(), jobs.end(), text) != jobs.end();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    std::vector<std::string> printedJobs()
    {
        std::vector<std::string> jobs;
        for (const auto& entry : fs::directory_iterator(dir / "spool/Printer1")) {
            if (entry.path().extension() != ".prn")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            jobs.emplace_back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        }
        return jobs;
    }

    qint64 pid() const { return process.processId(); }
};

TEST_F(ConnectionLimitsTest, SoftLimitIsRaisedAndIdleConnectionsCostNothing)
{
    startWithLimit(1024, 4096);
    ASSERT_TRUE(waitUntilServing()) << output();
    EXPECT_NE(output().find("up to 1008 connections at once (descriptor limit 4096)"), std::string::npos)
        << output();
    EXPECT_TRUE(std::regex_search(openFilesLine(pid()), std::regex(R"(\s4096\s+4096\s)")))
        << openFilesLine(pid());

    // Two descriptors each: 600 of them were more than 1024 allowed.
    const std::vector<Socket> idle = openIdle(tcp, kIdle);
    ASSERT_EQ(idle.size(), kIdle);
    std::this_thread::sleep_for(std::chrono::seconds(1)); // the accepts are done
    EXPECT_LT(cpuOverWindow(pid()), kMostCpuSeconds);
    EXPECT_EQ(closedByServer(idle, 0), 0u); // all within the cap, all served
    EXPECT_TRUE(printJob("while 600 wait\r\n"));
}

TEST_F(ConnectionLimitsTest, ConnectionsOverTheCapAreClosedAtOnce)
{
    startWithLimit(256, 256);
    ASSERT_TRUE(waitUntilServing()) << output();
    EXPECT_NE(output().find("up to 48 connections at once (descriptor limit 256)"), std::string::npos)
        << output();

    std::vector<Socket> idle = openIdle(tcp, kIdle);
    ASSERT_EQ(idle.size(), kIdle);
    EXPECT_GE(closedByServer(idle, kIdle - 48), kIdle - 48);
    EXPECT_LT(cpuOverWindow(pid()), kMostCpuSeconds);
    EXPECT_EQ(closedByServer(idle, 0), kIdle - 48); // the 48 within the cap are kept
    idle.clear();
    EXPECT_TRUE(printJob("after the flood\r\n"));
}

TEST_F(ConnectionLimitsTest, OutOfDescriptorsTheServerNeitherSpinsNorStops)
{
    startWithLimit(1024, 1024);
    ASSERT_TRUE(waitUntilServing()) << output();
    // Lowered under the running server, below what its cap of 240 needs: accept itself runs
    // out of descriptors after a few connections.
    const rlim_t lowered = rlim_t(openDescriptors(pid()) + 24);
    const rlimit limit{lowered, lowered};
    ASSERT_EQ(::prlimit(pid_t(pid()), RLIMIT_NOFILE, &limit, nullptr), 0);

    std::vector<Socket> idle = openIdle(tcp, kIdle);
    EXPECT_GT(idle.size(), kIdle - 100); // a few may give up waiting for the queue
    // Only as many as descriptors allow are served; the others are taken and closed.
    const size_t mostServed = 30;
    const size_t refused = idle.size() > mostServed ? idle.size() - mostServed : 0;
    EXPECT_GE(closedByServer(idle, refused), refused);
    EXPECT_LT(cpuOverWindow(pid()), kMostCpuSeconds);
    idle.clear();
    EXPECT_TRUE(printJob("descriptors again\r\n")) << output();
}

} // namespace
