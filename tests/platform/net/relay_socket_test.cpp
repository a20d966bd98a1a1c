#include "platform/net/relay_socket.h"

#include "platform/net/endpoint.h"
#include "platform/net/udp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>

namespace {

using platform::net::RelaySocket;

TEST(RelaySocketTest, BoundToLoopbackOnAFreePort)
{
    RelaySocket relay;
    ASSERT_TRUE(relay.ok());
    EXPECT_NE(relay.localPort(), 0);
    // Nobody can reach it from another loopback address's socket through a wildcard bind:
    // a send to 127.0.0.2 on its port finds no socket.
    platform::net::SocketResult peer = platform::net::bindUdp("127.0.0.1", 0, false);
    ASSERT_TRUE(peer.ok());
    const char hello[] = "hi";
    platform::net::sendTo(peer.socket, hello, 2, {"127.0.0.2", relay.localPort()});
    char buf[8];
    RelaySocket::Received got;
    EXPECT_FALSE(relay.receive(buf, sizeof buf, 200, 0, &got));
}

TEST(RelaySocketTest, SendsToLoopbackAndTakesOnlyTheAskedPort)
{
    RelaySocket relay;
    platform::net::SocketResult wanted = platform::net::bindUdp("127.0.0.1", 0, false);
    platform::net::SocketResult other = platform::net::bindUdp("127.0.0.1", 0, false);
    ASSERT_TRUE(relay.ok() && wanted.ok() && other.ok());

    ASSERT_TRUE(relay.send(wanted.local.port, "req", 3));
    char buf[16];
    platform::net::DatagramResult r = platform::net::receiveFrom(wanted.socket, buf, sizeof buf, 5000);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.from.port, relay.localPort());
    EXPECT_EQ(std::string(buf, r.bytes), "req");

    const platform::net::Endpoint to{"127.0.0.1", relay.localPort()};
    platform::net::sendTo(other.socket, "bad", 3, to);
    platform::net::sendTo(wanted.socket, "good", 4, to);
    RelaySocket::Received got;
    ASSERT_TRUE(relay.receive(buf, sizeof buf, 5000, wanted.local.port, &got));
    EXPECT_EQ(std::string(buf, got.bytes), "good");
    EXPECT_EQ(got.fromPort, wanted.local.port);

    // A datagram larger than the buffer tells its real size.
    platform::net::sendTo(wanted.socket, "0123456789abcdefXYZ", 19, to);
    ASSERT_TRUE(relay.receive(buf, sizeof buf, 5000, 0, &got));
    EXPECT_EQ(got.bytes, sizeof buf);
    EXPECT_EQ(got.datagramSize, 19u);

    // A time-out of 0 takes what has already arrived, and only that.
    platform::net::sendTo(wanted.socket, "now", 3, to);
    ASSERT_TRUE(relay.receive(buf, sizeof buf, 5000, 0, &got));
    platform::net::sendTo(wanted.socket, "now", 3, to);
    EXPECT_TRUE(relay.receive(buf, sizeof buf, 0, 0, &got));
    EXPECT_FALSE(relay.receive(buf, sizeof buf, 0, 0, &got));

    EXPECT_FALSE(relay.send(0, "x", 1));
}

TEST(RelaySocketTest, DrainThrowsAwayWhatWaitsAndIsBounded)
{
    RelaySocket relay;
    platform::net::SocketResult peer = platform::net::bindUdp("127.0.0.1", 0, false);
    ASSERT_TRUE(relay.ok() && peer.ok());
    const platform::net::Endpoint to{"127.0.0.1", relay.localPort()};
    for (int i = 0; i < 3; ++i)
        platform::net::sendTo(peer.socket, "old", 3, to);
    // Wait until the datagrams are there, then drain them.
    char buf[8];
    RelaySocket::Received got;
    ASSERT_TRUE(relay.receive(buf, sizeof buf, 5000, 0, &got));
    EXPECT_EQ(relay.drain(), 2u);
    EXPECT_EQ(relay.drain(), 0u);
    EXPECT_FALSE(relay.receive(buf, sizeof buf, 50, 0, &got));

    for (size_t i = 0; i < RelaySocket::kMaxDrained + 10; ++i)
        platform::net::sendTo(peer.socket, "f", 1, to);
    ASSERT_TRUE(relay.receive(buf, sizeof buf, 5000, 0, &got));
    EXPECT_LE(relay.drain(), RelaySocket::kMaxDrained);
}

TEST(RelaySocketTest, EveryWaitEnds)
{
    RelaySocket relay;
    ASSERT_TRUE(relay.ok());
    char buf[8];
    RelaySocket::Received got;
    // The time-out alone.
    EXPECT_FALSE(relay.receive(buf, sizeof buf, 100, 0, &got));
    // A stop ends a long wait well before its time-out.
    std::atomic<int> asked{0};
    EXPECT_FALSE(relay.receive(buf, sizeof buf, 600000, 0, &got, [&] { return ++asked > 2; }));
    EXPECT_GE(asked.load(), 3);
}

// A port on 127.0.0.1 where nothing listens (it was bound a moment ago and let go).
uint16_t deadPort()
{
    platform::net::SocketResult gone = platform::net::bindUdp("127.0.0.1", 0, false);
    return gone.ok() ? gone.local.port : 0;
}

// A datagram that finds nobody listening ends the wait for its answer long before the
// time-out; a refusal of an earlier datagram does not end the wait for a later one's answer,
// and once taken it leaves the socket waiting and receiving as before.
TEST(RelaySocketTest, ARefusedDatagramEndsTheWaitForItsAnswer)
{
    RelaySocket relay;
    platform::net::SocketResult peer = platform::net::bindUdp("127.0.0.1", 0, false);
    const uint16_t dead = deadPort();
    ASSERT_TRUE(relay.ok() && peer.ok() && dead != 0);
    char buf[16];
    RelaySocket::Received got;

    // Without the refusal this wait would last its whole minute (and the test fail below).
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(relay.send(dead, "req", 3));
    EXPECT_FALSE(relay.receive(buf, sizeof buf, 60000, 0, &got));
    EXPECT_TRUE(got.refused);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30));

    // Refused, then sent to a peer that answers: the answer is taken.
    ASSERT_TRUE(relay.send(dead, "req", 3));
    ASSERT_TRUE(relay.send(peer.local.port, "req", 3));
    platform::net::DatagramResult r = platform::net::receiveFrom(peer.socket, buf, sizeof buf, 5000);
    ASSERT_TRUE(r.ok());
    platform::net::sendTo(peer.socket, "answer", 6, r.from);
    ASSERT_TRUE(relay.receive(buf, sizeof buf, 5000, peer.local.port, &got));
    EXPECT_EQ(std::string(buf, got.bytes), "answer");
    EXPECT_FALSE(got.refused);

    // A peer that listens but stays silent: the wait ends at its time-out, not refused.
    ASSERT_TRUE(relay.send(dead, "req", 3));
    ASSERT_TRUE(relay.send(peer.local.port, "req", 3));
    EXPECT_FALSE(relay.receive(buf, sizeof buf, 300, 0, &got));
    EXPECT_FALSE(got.refused);

    // A refusal still queued does not make drain() stop before the datagrams waiting.
    ASSERT_TRUE(relay.send(dead, "req", 3));
    const platform::net::Endpoint to{"127.0.0.1", relay.localPort()};
    platform::net::sendTo(peer.socket, "old", 3, to);
    platform::net::sendTo(peer.socket, "old", 3, to);
    ASSERT_TRUE(relay.send(peer.local.port, "req", 3));
    ASSERT_TRUE(relay.receive(buf, sizeof buf, 5000, 0, &got));
    ASSERT_TRUE(relay.send(dead, "req", 3));
    EXPECT_EQ(relay.drain(), 1u);
}

} // namespace
