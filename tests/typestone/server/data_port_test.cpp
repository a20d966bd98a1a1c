#include "typestone/server/data_port.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace platform::net;
using typestone::DataPort;

namespace {

constexpr int kWaitMs = 10000;

// The accepted connection's far end: which of our clients it is.
uint16_t farPort(const AcceptResult& r)
{
    return r.peer.port;
}

// True when the server side closed `client` within the time.
bool closedByServer(const Socket& client)
{
    char byte;
    const IoResult r = receiveSome(client, &byte, 1, kWaitMs);
    return r.status == IoStatus::PeerClosed || r.status == IoStatus::Failed;
}

} // namespace

TEST(DataPort, WaitEndsByTimeOutOrCancel)
{
    DataPort port;
    SocketError error;
    std::unique_ptr<DataPort::Booking> booking = port.book(0, kLoopbackAddress, &error);
    ASSERT_TRUE(booking) << error.text;
    EXPECT_NE(booking->port(), 0);
    EXPECT_EQ(port.Waiting(), 1u);

    EXPECT_EQ(booking->wait(100, nullptr).status, IoStatus::TimedOut);
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel = true;
    });
    EXPECT_EQ(booking->wait(60000, &cancel).status, IoStatus::Canceled);
    canceller.join();
    booking.reset();
    EXPECT_EQ(port.Waiting(), 0u);
}

// Three jobs share one port: two for hosts on 127.0.0.1, one for 127.0.0.2. A stranger on
// 127.0.0.3 is turned away; each booked host gets a connection from its own address, the
// most recent booking first; the port closes with its last booking.
TEST(DataPort, ConnectionsGoToTheirOwnAddressNewestBookingFirst)
{
    DataPort port;
    SocketError error;
    auto older = port.book(0, "127.0.0.1", &error);
    ASSERT_TRUE(older) << error.text;
    const uint16_t shared = older->port();
    auto newer = port.book(shared, "127.0.0.1", &error);
    auto other = port.book(shared, "127.0.0.2", &error);
    ASSERT_TRUE(newer && other) << error.text;
    EXPECT_EQ(newer->port(), shared);
    EXPECT_EQ(other->port(), shared);

    SocketResult stranger = connectTcp(kLoopbackAddress, shared, kWaitMs, "127.0.0.3");
    ASSERT_TRUE(stranger.ok()) << stranger.error.text;
    SocketResult first = connectTcp(kLoopbackAddress, shared, kWaitMs, "127.0.0.1");
    SocketResult second = connectTcp(kLoopbackAddress, shared, kWaitMs, "127.0.0.1");
    SocketResult fromTwo = connectTcp(kLoopbackAddress, shared, kWaitMs, "127.0.0.2");
    ASSERT_TRUE(first.ok() && second.ok() && fromTwo.ok());

    // The older booking does the accepting here: what it takes for the others is theirs.
    AcceptResult gotOlder = older->wait(kWaitMs, nullptr);
    ASSERT_TRUE(gotOlder.ok()) << gotOlder.error.text;
    AcceptResult gotNewer = newer->wait(kWaitMs, nullptr);
    AcceptResult gotOther = other->wait(kWaitMs, nullptr);
    ASSERT_TRUE(gotNewer.ok() && gotOther.ok());
    EXPECT_EQ(farPort(gotNewer), first.local.port) << "the most recent booking takes the first connection";
    EXPECT_EQ(farPort(gotOlder), second.local.port);
    EXPECT_EQ(farPort(gotOther), fromTwo.local.port);
    EXPECT_EQ(gotOther.peer.address, "127.0.0.2");
    EXPECT_TRUE(closedByServer(stranger.socket));
    EXPECT_EQ(port.Waiting(), 0u);

    // A booking served once has nothing more to give.
    EXPECT_FALSE(newer->wait(50, nullptr).ok());

    older.reset();
    newer.reset();
    EXPECT_TRUE(connectTcp(kLoopbackAddress, shared, kWaitMs).ok()) << "still listened on for one booking";
    other.reset();
    SocketResult late = connectTcp(kLoopbackAddress, shared, kWaitMs);
    EXPECT_FALSE(late.ok()) << "nobody listens once every booking is gone";
}

// Many hosts whose jobs wait at once all reach the one shared port before any job looks for
// its connection: a short queue would leave those beyond it retrying seconds apart.
TEST(DataPort, ABurstOfHostsIsQueuedBeforeAnyJobAccepts)
{
    constexpr size_t kHosts = 64;
    ASSERT_GE(maxListenBacklog(), static_cast<int>(kHosts));
    DataPort port;
    SocketError error;
    std::vector<std::unique_ptr<DataPort::Booking>> bookings;
    bookings.push_back(port.book(0, kLoopbackAddress, &error));
    ASSERT_TRUE(bookings[0]) << error.text;
    const uint16_t shared = bookings[0]->port();
    for (size_t i = 1; i < kHosts; ++i) {
        bookings.push_back(port.book(shared, kLoopbackAddress, &error));
        ASSERT_TRUE(bookings.back()) << error.text;
    }
    std::vector<Socket> hosts;
    for (size_t i = 0; i < kHosts; ++i) {
        // Well under the first retry of a dropped connection (a second).
        SocketResult c = connectTcp(kLoopbackAddress, shared, 900);
        ASSERT_TRUE(c.ok()) << "host " << i << ": " << c.error.text;
        hosts.push_back(std::move(c.socket));
    }
    for (size_t i = 0; i < kHosts; ++i) {
        AcceptResult a = bookings[i]->wait(kWaitMs, nullptr);
        EXPECT_TRUE(a.ok()) << "job " << i << ": " << a.error.text;
    }
}

// A booking that keeps its socket for the next job: the port stays listened on, a connection
// that comes in between is no job's (the next booking closes it and waits for its own host),
// and a kept socket nobody takes closes with closeIdle.
TEST(DataPort, AKeptSocketServesTheNextBookingAndNoConnectionFromBefore)
{
    DataPort port;
    SocketError error;
    auto first = port.book(0, kLoopbackAddress, &error);
    ASSERT_TRUE(first) << error.text;
    const uint16_t kept = first->port();
    SocketResult host = connectTcp(kLoopbackAddress, kept, kWaitMs);
    ASSERT_TRUE(host.ok()) << host.error.text;
    ASSERT_TRUE(first->wait(kWaitMs, nullptr).ok());
    first->keepForNext();
    first.reset();

    SocketResult late = connectTcp(kLoopbackAddress, kept, kWaitMs);
    ASSERT_TRUE(late.ok()) << "the kept socket still listens: " << late.error.text;
    auto second = port.book(0, kLoopbackAddress, &error);
    ASSERT_TRUE(second) << error.text;
    EXPECT_EQ(second->port(), kept) << "the next booking takes the kept socket";
    EXPECT_EQ(second->wait(0, nullptr).status, IoStatus::TimedOut)
        << "the connection from before is no job's";
    EXPECT_TRUE(closedByServer(late.socket));
    SocketResult own = connectTcp(kLoopbackAddress, kept, kWaitMs);
    ASSERT_TRUE(own.ok()) << own.error.text;
    AcceptResult got = second->wait(kWaitMs, nullptr);
    ASSERT_TRUE(got.ok()) << got.error.text;
    EXPECT_EQ(farPort(got), own.local.port);
    second.reset();
    EXPECT_FALSE(connectTcp(kLoopbackAddress, kept, kWaitMs).ok()) << "not kept: closed with its booking";

    auto third = port.book(0, kLoopbackAddress, &error);
    ASSERT_TRUE(third) << error.text;
    const uint16_t idle = third->port();
    third->keepForNext();
    third.reset();
    port.closeIdle();
    EXPECT_FALSE(connectTcp(kLoopbackAddress, idle, kWaitMs).ok()) << "a kept socket nobody took is closed";
    port.closeIdle(); // nothing left to close
}

TEST(DataPort, APortHeldByAnotherProgramIsAnError)
{
    SocketResult holder = listenTcp(kAnyAddress, 0, 1, false);
    ASSERT_TRUE(holder.ok()) << holder.error.text;
    DataPort port;
    SocketError error;
    EXPECT_FALSE(port.book(holder.local.port, kLoopbackAddress, &error));
    EXPECT_NE(error.code, 0);
    EXPECT_FALSE(error.text.empty());
    EXPECT_EQ(port.Waiting(), 0u);
}
