#include "net_test_util.h"
#include "platform/net/keep_alive.h"
#include "platform/net/name_lookup.h"
#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace platform::net;

namespace {

constexpr int kWaitMs = 5000; // generous upper bound for things that happen at once

struct Pair
{
    Socket listener;
    Socket client;
    Socket server;
};

Pair connectedPair()
{
    Pair p;
    SocketResult l = listenTcp(kLoopbackAddress, 0, 5, true);
    EXPECT_TRUE(l.ok()) << l.error.text;
    p.listener = std::move(l.socket);
    SocketResult c = connectTcp(kLoopbackAddress, l.local.port, kWaitMs);
    EXPECT_TRUE(c.ok()) << c.error.text;
    p.client = std::move(c.socket);
    AcceptResult a = acceptWithin(p.listener, kWaitMs);
    EXPECT_TRUE(a.ok()) << a.error.text;
    p.server = std::move(a.socket);
    return p;
}

} // namespace

TEST(Tcp, ListenOnPortZeroReportsTheBoundPortAndConnectionsSeeBothEnds)
{
    SocketResult l = listenTcp(kLoopbackAddress, 0, 5, false);
    ASSERT_TRUE(l.ok()) << l.error.text;
    EXPECT_EQ(l.local.address, "127.0.0.1");
    EXPECT_NE(l.local.port, 0);
    EXPECT_EQ(localEndpoint(l.socket), l.local);

    SocketResult c = connectTcp(kLoopbackAddress, l.local.port, kWaitMs);
    ASSERT_TRUE(c.ok()) << c.error.text;
    AcceptResult a = acceptWithin(l.socket, kWaitMs);
    ASSERT_TRUE(a.ok()) << a.error.text;

    EXPECT_EQ(peerEndpoint(c.socket), l.local);
    EXPECT_EQ(a.peer, c.local);
    EXPECT_EQ(peerEndpoint(a.socket), c.local);
    EXPECT_EQ(localEndpoint(a.socket), l.local);

    for (const Socket* s : {&l.socket, &c.socket, &a.socket})
        EXPECT_TRUE(nettest::isCloseOnExec(s->fd())) << s->fd();
}

// With the system's longest queue, a burst of hosts all connect even before anyone accepts:
// a short queue would drop the connections beyond it into retries seconds apart.
TEST(Tcp, TheLongestQueueHoldsABurstOfConnectionsNotYetAccepted)
{
    constexpr size_t kHosts = 128;
    ASSERT_GE(maxListenBacklog(), static_cast<int>(kHosts));
    SocketResult l = listenTcp(kLoopbackAddress, 0, maxListenBacklog(), false);
    ASSERT_TRUE(l.ok()) << l.error.text;
    std::vector<Socket> clients;
    for (size_t i = 0; i < kHosts; ++i) {
        SocketResult c = connectTcp(kLoopbackAddress, l.local.port, kWaitMs);
        ASSERT_TRUE(c.ok()) << "connection " << i << ": " << c.error.text;
        clients.push_back(std::move(c.socket));
    }
    for (size_t i = 0; i < kHosts; ++i) {
        AcceptResult a = acceptWithin(l.socket, kWaitMs);
        ASSERT_TRUE(a.ok()) << "accept " << i << ": " << a.error.text;
    }
}

TEST(Tcp, FailedListenReportsTheCauseAndLeavesNoDescriptorBehind)
{
    SocketResult first = listenTcp(kLoopbackAddress, 0, 5, false);
    ASSERT_TRUE(first.ok()) << first.error.text;

    const size_t before = nettest::openDescriptors();
    SocketResult taken = listenTcp(kLoopbackAddress, first.local.port, 5, false);
    const int code = lastSocketError();
    EXPECT_FALSE(taken.ok());
    EXPECT_EQ(taken.error.code, wsa::AddressInUse);
    EXPECT_EQ(taken.error.sysError, EADDRINUSE);
    EXPECT_EQ(code, wsa::AddressInUse) << "errno must survive the clean-up";
    EXPECT_NE(taken.error.text.find("WSAEADDRINUSE"), std::string::npos) << taken.error.text;
    EXPECT_NE(taken.error.text.find(std::to_string(first.local.port)), std::string::npos) << taken.error.text;
    EXPECT_EQ(nettest::openDescriptors(), before);

    SocketResult bad = listenTcp("not-an-address", 0, 5, false);
    EXPECT_FALSE(bad.ok());
    EXPECT_EQ(bad.error.code, wsa::InvalidArgument);
    EXPECT_EQ(nettest::openDescriptors(), before);
}

TEST(Tcp, AcceptWithinEndsByTimeOutOrCancelWithoutAConnection)
{
    SocketResult l = listenTcp(kLoopbackAddress, 0, 5, false);
    ASSERT_TRUE(l.ok()) << l.error.text;

    AcceptResult timedOut = acceptWithin(l.socket, 100);
    EXPECT_EQ(timedOut.status, IoStatus::TimedOut);
    EXPECT_EQ(timedOut.error.code, wsa::TimedOut);
    EXPECT_FALSE(timedOut.socket.isValid());

    std::atomic<bool> cancel{true};
    EXPECT_EQ(acceptWithin(l.socket, 60000, &cancel).status, IoStatus::Canceled);

    // Set while waiting: a time-out this long would fail the test by ending TimedOut.
    cancel = false;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel = true;
    });
    AcceptResult canceled = acceptWithin(l.socket, 60000, &cancel);
    canceller.join();
    EXPECT_EQ(canceled.status, IoStatus::Canceled);
    EXPECT_EQ(canceled.error.code, wsa::Interrupted);

    // A connection that is already waiting is taken even with a zero time-out.
    SocketResult c = connectTcp(kLoopbackAddress, l.local.port, kWaitMs);
    ASSERT_TRUE(c.ok()) << c.error.text;
    ASSERT_EQ(waitReadable(l.socket, kWaitMs), IoStatus::Ok);
    EXPECT_TRUE(acceptWithin(l.socket, 0).ok());
}

TEST(Tcp, ReceiveSomeTellsDataTimeOutAndThePeersClose)
{
    Pair p = connectedPair();
    char buf[16] = {};

    EXPECT_EQ(receiveSome(p.server, buf, sizeof buf, 50).status, IoStatus::TimedOut);

    ASSERT_TRUE(sendAll(p.client, "hello", 5, kWaitMs).ok());
    ASSERT_EQ(waitReadable(p.server, kWaitMs), IoStatus::Ok);
    EXPECT_EQ(pendingBytes(p.server), 5);
    IoResult got = receiveSome(p.server, buf, 3, kWaitMs);
    ASSERT_TRUE(got.ok()) << got.error.text;
    EXPECT_EQ(std::string(buf, got.bytes), "hel");
    got = receiveSome(p.server, buf, sizeof buf, kWaitMs);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(std::string(buf, got.bytes), "lo");

    p.client.close();
    EXPECT_EQ(waitReadable(p.server, kWaitMs), IoStatus::Ok);
    EXPECT_EQ(pendingBytes(p.server), 0);
    EXPECT_EQ(receiveSome(p.server, buf, sizeof buf, kWaitMs).status, IoStatus::PeerClosed);

    EXPECT_EQ(receiveSome(p.server, buf, 0, kWaitMs).status, IoStatus::Failed);
}

// Without waiting: nothing there yet is TimedOut at once, then the data, the close and a reset
// each come out as receiveSome tells them.
TEST(Tcp, ReceiveAvailableNeverWaits)
{
    Pair p = connectedPair();
    char buf[16] = {};
    const IoResult empty = receiveAvailable(p.server, buf, sizeof buf);
    EXPECT_EQ(empty.status, IoStatus::TimedOut);
    EXPECT_EQ(empty.bytes, 0u);

    ASSERT_TRUE(sendAll(p.client, "hello", 5, kWaitMs).ok());
    ASSERT_EQ(waitReadable(p.server, kWaitMs), IoStatus::Ok);
    IoResult got = receiveAvailable(p.server, buf, 3);
    ASSERT_TRUE(got.ok()) << got.error.text;
    EXPECT_EQ(std::string(buf, got.bytes), "hel");
    got = receiveAvailable(p.server, buf, sizeof buf);
    ASSERT_TRUE(got.ok()) << got.error.text;
    EXPECT_EQ(std::string(buf, got.bytes), "lo");
    EXPECT_EQ(receiveAvailable(p.server, buf, sizeof buf).status, IoStatus::TimedOut);
    EXPECT_EQ(receiveAvailable(p.server, buf, 0).status, IoStatus::Failed);

    ASSERT_TRUE(shutdownSend(p.client));
    ASSERT_EQ(waitReadable(p.server, kWaitMs), IoStatus::Ok);
    EXPECT_EQ(receiveAvailable(p.server, buf, sizeof buf).status, IoStatus::PeerClosed);

    Pair reset = connectedPair();
    ASSERT_TRUE(sendAll(reset.server, "x", 1, kWaitMs).ok());
    ASSERT_EQ(waitReadable(reset.client, kWaitMs), IoStatus::Ok);
    reset.client.close(); // unread data: the kernel resets the connection
    ASSERT_EQ(waitReadable(reset.server, kWaitMs), IoStatus::Ok);
    const IoResult failed = receiveAvailable(reset.server, buf, sizeof buf);
    EXPECT_EQ(failed.status, IoStatus::Failed);
    EXPECT_EQ(failed.error.code, wsa::ConnectionReset) << failed.error.text;
}

TEST(Tcp, AResetConnectionIsAnErrorNotAnOrderlyClose)
{
    Pair p = connectedPair();
    // Closing with unread data makes the kernel reset the connection.
    ASSERT_TRUE(sendAll(p.server, "x", 1, kWaitMs).ok());
    ASSERT_EQ(waitReadable(p.client, kWaitMs), IoStatus::Ok);
    p.client.close();

    char buf[4];
    IoResult got = receiveSome(p.server, buf, sizeof buf, kWaitMs);
    EXPECT_EQ(got.status, IoStatus::Failed);
    EXPECT_EQ(got.error.code, wsa::ConnectionReset) << got.error.text;

    // Writing to the dropped peer fails too, without SIGPIPE ending the test.
    IoResult sent = sendAll(p.server, "more", 4, kWaitMs);
    EXPECT_EQ(sent.status, IoStatus::Failed);
    EXPECT_EQ(sent.error.code, wsa::ConnectionReset) << sent.error.text;
}

// An abortive close is seen as a reset even when nothing is left unread, also by a peer that
// has already ended its sending side; the default close stays an orderly end of data.
TEST(Tcp, AbortiveCloseResetsWhereAPlainCloseEndsInOrder)
{
    for (const bool abortive : {false, true}) {
        SCOPED_TRACE(abortive ? "abortive" : "plain");
        Pair p = connectedPair();
        ASSERT_TRUE(shutdownSend(p.client));
        char buf[4];
        ASSERT_EQ(receiveSome(p.server, buf, sizeof buf, kWaitMs).status, IoStatus::PeerClosed);
        if (abortive) {
            ASSERT_TRUE(setAbortiveClose(p.server));
        }
        p.server.close();
        IoResult got = receiveSome(p.client, buf, sizeof buf, kWaitMs);
        if (abortive) {
            EXPECT_EQ(got.status, IoStatus::Failed);
            EXPECT_EQ(got.error.code, wsa::ConnectionReset) << got.error.text;
        } else {
            EXPECT_EQ(got.status, IoStatus::PeerClosed) << got.error.text;
        }
    }
    EXPECT_FALSE(setAbortiveClose(Socket()));
}

TEST(Tcp, SendAllDeliversLargeBuffersWholeAndTimesOutOnAPeerThatStopsReading)
{
    Pair p = connectedPair();
    std::vector<unsigned char> data(3 * 1024 * 1024 + 17);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 131 + (i >> 11));

    std::vector<unsigned char> received;
    std::thread reader([&] {
        std::vector<unsigned char> buf(65536);
        for (;;) {
            IoResult r = receiveSome(p.server, buf.data(), buf.size(), kWaitMs);
            if (!r.ok())
                break;
            received.insert(received.end(), buf.begin(), buf.begin() + static_cast<long>(r.bytes));
        }
    });
    IoResult sent = sendAll(p.client, data.data(), data.size(), kWaitMs);
    EXPECT_TRUE(sent.ok()) << sent.error.text;
    EXPECT_EQ(sent.bytes, data.size());
    ASSERT_TRUE(shutdownSend(p.client));
    reader.join();
    EXPECT_TRUE(received == data);

    // Nobody reads on this pair: the buffers fill and the send stops part-way.
    Pair stuck = connectedPair();
    std::vector<unsigned char> flood(64 * 1024 * 1024);
    IoResult partial = sendAll(stuck.client, flood.data(), flood.size(), 100);
    EXPECT_EQ(partial.status, IoStatus::TimedOut);
    EXPECT_EQ(partial.error.code, wsa::TimedOut);
    EXPECT_GT(partial.bytes, 0u);
    EXPECT_LT(partial.bytes, flood.size());
}

TEST(Tcp, ConnectReportsRefusalAndResolvesNames)
{
    uint16_t freePort;
    {
        SocketResult l = listenTcp(kLoopbackAddress, 0, 1, false);
        ASSERT_TRUE(l.ok());
        freePort = l.local.port;
    }
    const size_t before = nettest::openDescriptors();
    SocketResult refused = connectTcp(kLoopbackAddress, freePort, kWaitMs);
    const int code = lastSocketError();
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error.code, wsa::ConnectionRefused) << refused.error.text;
    EXPECT_EQ(code, wsa::ConnectionRefused);
    EXPECT_EQ(nettest::openDescriptors(), before);

    EXPECT_EQ(connectTcp(kLoopbackAddress, 0, kWaitMs).error.code, wsa::AddressNotAvailable);

    SocketResult l = listenTcp(kLoopbackAddress, 0, 1, false);
    ASSERT_TRUE(l.ok());
    SocketResult byName = connectTcp("localhost", l.local.port, kWaitMs);
    EXPECT_TRUE(byName.ok()) << byName.error.text;
}

TEST(Tcp, WaitReadableEndsByTimeOutOrCancel)
{
    Pair p = connectedPair();
    EXPECT_EQ(waitReadable(p.server, 50), IoStatus::TimedOut);
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel = true;
    });
    EXPECT_EQ(waitReadable(p.server, 60000, &cancel), IoStatus::Canceled);
    canceller.join();
    EXPECT_EQ(waitReadable(Socket(), 50), IoStatus::Failed);
}

// Linux routes all of 127.0.0.0/8 to the loopback device, so a second local address is there
// to connect from without any set-up.
TEST(Tcp, ConnectFromAChosenLocalAddress)
{
    SocketResult l = listenTcp(kAnyAddress, 0, 5, false);
    ASSERT_TRUE(l.ok()) << l.error.text;
    SocketResult c = connectTcp(kLoopbackAddress, l.local.port, kWaitMs, "127.0.0.2");
    ASSERT_TRUE(c.ok()) << c.error.text;
    EXPECT_EQ(c.local.address, "127.0.0.2");
    AcceptResult a = acceptWithin(l.socket, kWaitMs);
    ASSERT_TRUE(a.ok()) << a.error.text;
    EXPECT_EQ(a.peer.address, "127.0.0.2");

    SocketResult bad = connectTcp(kLoopbackAddress, l.local.port, kWaitMs, "127.0.0");
    EXPECT_FALSE(bad.ok());
    EXPECT_FALSE(bad.error.text.empty());
    // An address this machine does not have cannot be bound.
    SocketResult foreign = connectTcp(kLoopbackAddress, l.local.port, kWaitMs, "192.0.2.1");
    EXPECT_FALSE(foreign.ok());
    EXPECT_EQ(foreign.error.code, wsa::AddressNotAvailable) << foreign.error.text;
}

TEST(KeepAlive, TimingsAreSetClampedAndReadBack)
{
    Pair p = connectedPair();
    EXPECT_FALSE(keepAliveOf(p.server)) << "off until it is asked for";

    ASSERT_TRUE(setKeepAlive(p.server));
    EXPECT_EQ(keepAliveOf(p.server), kHostKeepAlive);
    const KeepAlive& k = kHostKeepAlive;
    EXPECT_LE(k.idleSeconds + k.intervalSeconds * k.probes, 130)
        << "a vanished peer is seen in about two minutes";

    ASSERT_TRUE(setKeepAlive(p.client, KeepAlive{0, 100000, 1000}));
    EXPECT_EQ(keepAliveOf(p.client), (KeepAlive{1, 32767, 127}));

    EXPECT_FALSE(setKeepAlive(Socket()));
    EXPECT_FALSE(keepAliveOf(Socket()));
}

TEST(NameLookup, ResolvesLoopbackBothWaysAndRefusesWhatIsNotAnAddress)
{
    LookupResult name = reverseLookup("127.0.0.1", kWaitMs);
    ASSERT_TRUE(name.ok()) << name.error.text;
    EXPECT_NE(name.text, "127.0.0.1") << "a name is required, not the address echoed";

    LookupResult bad = reverseLookup("127.0.0", kWaitMs);
    EXPECT_FALSE(bad.ok());
    EXPECT_EQ(bad.error.code, wsa::InvalidArgument);

    EXPECT_EQ(resolveIpv4("10.1.2.3").text, "10.1.2.3");
    LookupResult local = resolveIpv4("localhost", kWaitMs);
    ASSERT_TRUE(local.ok()) << local.error.text;
    EXPECT_TRUE(isLoopback(local.text)) << local.text;
    EXPECT_EQ(resolveIpv4(std::string(300, 'a')).error.code, wsa::HostNotFound);
}
