// Hosts that misbehave on the link: one that goes silent, one slow to open its data
// connection or never opening it, strangers on the data port. None of them may hold up the
// jobs of other hosts, and none may cost a well-behaved host its job.

#include "job_server_fixture.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"

#include "tests/support/host/host_simulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

using jobtest::JobServerFixture;
using jobtest::StepHost;
using valdor::HostOptions;
using valdor::HostSimulator;
using namespace platform::net;

namespace {

constexpr int kWaitMs = 10000;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Seconds until the keepalive probe of the loopback socket whose own port is `localPort` and
// whose peer's port is `remotePort`, from the kernel's table of TCP sockets; -1 when there is
// no such socket or it runs no keepalive timer.
int keepAliveSeconds(uint16_t localPort, uint16_t remotePort)
{
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line); // the column titles
    while (std::getline(table, line)) {
        std::istringstream in(line);
        std::string slot, local, remote, state, queues, timer;
        if (!(in >> slot >> local >> remote >> state >> queues >> timer))
            continue;
        const auto portOf = [](const std::string& field) {
            const size_t colon = field.find(':');
            return colon == std::string::npos ? 0ul : std::stoul(field.substr(colon + 1), nullptr, 16);
        };
        if (portOf(local) != localPort || portOf(remote) != remotePort)
            continue;
        // "tr:when": timer kind 2 is the keepalive timer, "when" in hundredths of a second.
        const size_t colon = timer.find(':');
        if (colon == std::string::npos || std::stoul(timer.substr(0, colon), nullptr, 16) != 2)
            return -1;
        return static_cast<int>(std::stoul(timer.substr(colon + 1), nullptr, 16) / 100);
    }
    return -1;
}

// Waits (bounded) for the server's end of a connection to run its keepalive timer.
int waitKeepAlive(uint16_t serverPort, uint16_t hostPort)
{
    const auto start = Clock::now();
    int seconds = keepAliveSeconds(serverPort, hostPort);
    while (seconds < 0 && msSince(start) < kWaitMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        seconds = keepAliveSeconds(serverPort, hostPort);
    }
    return seconds;
}

// A port that was free a moment ago, for the tests that need every job on one data port.
uint16_t freePort()
{
    SocketResult probe = listenTcp(kAnyAddress, 0, 1, true);
    EXPECT_TRUE(probe.ok()) << probe.error.text;
    return probe.local.port;
}

bool closedByServer(const Socket& sock, int timeoutMs)
{
    char byte;
    const IoResult r = receiveSome(sock, &byte, 1, timeoutMs);
    return r.status == IoStatus::PeerClosed || r.status == IoStatus::Failed;
}

} // namespace

class HostLinkTest : public JobServerFixture
{
};

TEST_F(HostLinkTest, JobAndDataConnectionsProbeForAVanishedHost)
{
    ASSERT_EQ(keepAliveSeconds(port, 1), -1) << "no such socket";
    StepHost host;
    ASSERT_TRUE(host.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(host.readReply(kWaitMs));
    ASSERT_EQ(host.code, 0);
    ASSERT_TRUE(host.openData());
    const uint16_t controlPort = localEndpoint(host.control)->port;
    const uint16_t dataPort = localEndpoint(host.data)->port;

    // The host's own ends have no keepalive, which shows the check tells the two apart.
    EXPECT_EQ(keepAliveSeconds(controlPort, port), -1);
    // The first probe is due about a minute after the last packet.
    const int control = waitKeepAlive(port, controlPort);
    const int data = waitKeepAlive(host.dataPort, dataPort);
    EXPECT_GT(control, 30);
    EXPECT_LE(control, 60);
    EXPECT_GT(data, 30);
    EXPECT_LE(data, 60);

    ASSERT_TRUE(host.send("probed"));
    ASSERT_TRUE(host.finish(kWaitMs));
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    EXPECT_EQ(jobtest::finishedJobs(spoolRoot(), "Laser").at(0).data, "probed");
}

// A host goes silent in the middle of its job while a slow host prints on another printer:
// the silent job is cut short after the idle limit (what arrived is printed, marked so) and
// its printer serves the next job; the slow host, which keeps sending, is never cut.
TEST_F(HostLinkTest, SilentHostIsCutShortWhileASlowOneOnAnotherPrinterPrints)
{
    context->dataIdleMs = 2000;
    StepHost silent;
    ASSERT_TRUE(silent.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(silent.readReply(kWaitMs));
    ASSERT_EQ(silent.code, 0);
    ASSERT_TRUE(silent.openData());
    ASSERT_TRUE(silent.send("half a job"));

    StepHost slow;
    ASSERT_TRUE(slow.connectAndSend(port, header("Other")));
    ASSERT_TRUE(slow.readReply(kWaitMs));
    ASSERT_EQ(slow.code, 0);
    ASSERT_TRUE(slow.openData());
    std::string sent;
    const auto start = Clock::now();
    // Three times the idle limit, a byte every quarter of a second.
    for (int i = 0; msSince(start) < 3 * context->dataIdleMs.load(); ++i) {
        const std::string byte(1, static_cast<char>('a' + i % 26));
        ASSERT_TRUE(slow.send(byte));
        sent += byte;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    ASSERT_TRUE(slow.finish(kWaitMs));

    EXPECT_TRUE(closedByServer(silent.control, kWaitMs));
    EXPECT_TRUE(closedByServer(silent.data, kWaitMs));
    const valdor::HostResult next =
        HostSimulator().run(kLoopbackAddress, port, header("Laser"), {'n', 'e', 'x', 't'});
    ASSERT_EQ(next.replyCode, 0) << next.error;
    ASSERT_TRUE(server->WaitIdle(kWaitMs));

    const auto other = jobtest::finishedJobs(spoolRoot(), "Other");
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].data, sent);
    const auto laser = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(laser.size(), 2u);
    EXPECT_EQ(laser[0].data, "half a job");
    EXPECT_NE(laser[0].cutShort.find("sent nothing"), std::string::npos) << laser[0].cutShort;
    EXPECT_EQ(laser[1].data, "next");
    EXPECT_EQ(laser[1].cutShort, "");
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
}

// A host takes reply 0 and does not open its data connection. A job for another printer goes
// through meanwhile, long before the slow host's accept time-out would have passed, on a data
// port of its own or on the one port both share. The slow host still gets its connection when
// it comes late, and a host that leaves instead has its job withdrawn.
TEST_F(HostLinkTest, AHostSlowToConnectHoldsUpNoOtherPrinter)
{
    struct Case
    {
        const char* what;
        bool sharedPort;
        bool connectsLate; // else it leaves without connecting
    };
    const Case cases[] = {{"own ports, late", false, true},
                          {"own ports, leaves", false, false},
                          {"one port, late", true, true},
                          {"one port, leaves", true, false}};
    context->acceptTimeoutMs = 16000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        context->auxPort = c.sharedPort ? freePort() : 0;
        const size_t laserBefore = jobtest::finishedJobs(spoolRoot(), "Laser").size();
        const size_t otherBefore = jobtest::finishedJobs(spoolRoot(), "Other").size();

        StepHost stalling;
        ASSERT_TRUE(stalling.connectAndSend(port, header("Laser")));
        ASSERT_TRUE(stalling.readReply(kWaitMs));
        ASSERT_EQ(stalling.code, 0);

        const auto start = Clock::now();
        const valdor::HostResult r = HostSimulator().run(kLoopbackAddress, port, header("Other"), {'o', 'k'});
        const long long tookMs = msSince(start);
        ASSERT_EQ(r.replyCode, 0) << r.error;
        EXPECT_TRUE(r.dataConnected && r.serverClosed) << r.error;
        EXPECT_LT(tookMs, 10000) << "the other printer's job waited for the stalling host";
        if (c.sharedPort) {
            EXPECT_EQ(r.dataPort, stalling.dataPort);
        }

        if (c.connectsLate) {
            ASSERT_TRUE(stalling.openData());
            ASSERT_TRUE(stalling.send("late"));
            ASSERT_TRUE(stalling.finish(kWaitMs));
        } else {
            stalling.control.close();
        }
        ASSERT_TRUE(server->WaitIdle(kWaitMs));
        const auto other = jobtest::finishedJobs(spoolRoot(), "Other");
        ASSERT_EQ(other.size(), otherBefore + 1);
        EXPECT_EQ(other.back().data, "ok");
        const auto laser = jobtest::finishedJobs(spoolRoot(), "Laser");
        ASSERT_EQ(laser.size(), laserBefore + (c.connectsLate ? 1 : 0));
        if (c.connectsLate) {
            EXPECT_EQ(laser.back().data, "late");
        }
        EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
    }
}

// A stranger connects to the data port before the job's host does: it is closed, and the
// host's connection is the one taken. Strangers hammering the one shared data port cost no
// host its job.
TEST_F(HostLinkTest, StrangersOnTheDataPortAreTurnedAway)
{
    StepHost host;
    ASSERT_TRUE(host.connectAndSend(port, header("Laser")));
    ASSERT_TRUE(host.readReply(kWaitMs));
    ASSERT_EQ(host.code, 0);
    SocketResult stranger = connectTcp(kLoopbackAddress, host.dataPort, kWaitMs, "127.0.0.2");
    ASSERT_TRUE(stranger.ok()) << stranger.error.text;
    EXPECT_TRUE(closedByServer(stranger.socket, kWaitMs));
    ASSERT_TRUE(host.openData());
    ASSERT_TRUE(host.send("whole job"));
    ASSERT_TRUE(host.finish(kWaitMs));
    ASSERT_TRUE(server->WaitIdle(kWaitMs));
    ASSERT_EQ(jobtest::finishedJobs(spoolRoot(), "Laser").size(), 1u);
    EXPECT_EQ(jobtest::finishedJobs(spoolRoot(), "Laser")[0].data, "whole job");

    context->auxPort = freePort();
    const uint16_t dataPort = context->auxPort.load();
    std::atomic<bool> stop{false};
    std::atomic<int> turnedAway{0};
    std::vector<std::thread> hammers;
    for (int t = 0; t < 4; ++t) {
        hammers.emplace_back([&] {
            while (!stop) {
                SocketResult s = connectTcp(kLoopbackAddress, dataPort, 2000, "127.0.0.2");
                if (!s.ok()) { // nobody listens between the jobs
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    continue;
                }
                if (closedByServer(s.socket, kWaitMs))
                    ++turnedAway;
            }
        });
    }
    HostOptions options;
    options.dataConnectDelayMs = 200; // the port stays open long enough to be hit
    std::vector<std::string> sent;
    for (int i = 0; i < 5; ++i) {
        const std::string data = "job " + std::to_string(i) + std::string(1000, 'x');
        const valdor::HostResult r = HostSimulator(options).run(
            kLoopbackAddress, port, header("Laser"), std::vector<uint8_t>(data.begin(), data.end()));
        EXPECT_EQ(r.replyCode, 0) << i << ": " << r.error;
        EXPECT_TRUE(r.dataConnected && r.dataSent && r.serverClosed) << i << ": " << r.error;
        EXPECT_EQ(r.dataPort, dataPort);
        sent.push_back(data);
    }
    stop = true;
    for (std::thread& t : hammers)
        t.join();
    EXPECT_GT(turnedAway.load(), 0) << "the strangers never reached the port";
    ASSERT_TRUE(server->WaitIdle(kWaitMs));

    const auto done = jobtest::finishedJobs(spoolRoot(), "Laser");
    ASSERT_EQ(done.size(), 1u + sent.size());
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(done[i + 1].data, sent[i]) << i;
    EXPECT_EQ(jobtest::leftoverFiles(spoolRoot(), "Laser"), 0u);
}
