#include "platform/jobio/peer_state.h"
#include "platform/jobio/wake_signal.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace platform::net;
using platform::jobio::peerHasClosed;

namespace {

struct Pair
{
    Socket client;
    Socket server;
};

Pair connectedPair()
{
    SocketResult listener = listenTcp(kLoopbackAddress, 0, 1, false);
    EXPECT_TRUE(listener.ok());
    SocketResult client = connectTcp(kLoopbackAddress, listener.local.port, 5000);
    EXPECT_TRUE(client.ok());
    AcceptResult accepted = acceptWithin(listener.socket, 5000);
    EXPECT_TRUE(accepted.ok());
    return {std::move(client.socket), std::move(accepted.socket)};
}

} // namespace

TEST(PeerState, UnreadDataIsNotAClose)
{
    Pair p = connectedPair();
    EXPECT_FALSE(peerHasClosed(p.server));
    const char bytes[] = "job data";
    ASSERT_TRUE(sendAll(p.client, bytes, sizeof bytes, 5000).ok());
    ASSERT_EQ(waitReadable(p.server, 5000), IoStatus::Ok);
    EXPECT_FALSE(peerHasClosed(p.server));
}

TEST(PeerState, CloseIsSeenEvenWithUnreadData)
{
    Pair p = connectedPair();
    const char bytes[] = "job data";
    ASSERT_TRUE(sendAll(p.client, bytes, sizeof bytes, 5000).ok());
    ASSERT_TRUE(shutdownSend(p.client));
    ASSERT_EQ(waitReadable(p.server, 5000), IoStatus::Ok);
    // The FIN follows the data; give it a bounded moment to arrive.
    bool closed = false;
    for (int i = 0; i < 500 && !closed; ++i) {
        closed = peerHasClosed(p.server);
        if (!closed)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(closed);
    EXPECT_TRUE(peerHasClosed(Socket()));
}

TEST(WakeSignal, EndsTheWaitAndStaysSet)
{
    using platform::jobio::WaitResult;
    Pair p = connectedPair();
    platform::jobio::WakeSignal wake;
    EXPECT_FALSE(wake.isSet());
    EXPECT_EQ(platform::jobio::waitReadableOrSignal(p.server, wake, 10), WaitResult::TimedOut);
    const char byte = 'x';
    ASSERT_TRUE(sendAll(p.client, &byte, 1, 5000).ok());
    EXPECT_EQ(platform::jobio::waitReadableOrSignal(p.server, wake, 5000), WaitResult::Readable);
    std::thread setter([&] { wake.set(); });
    setter.join();
    EXPECT_TRUE(wake.isSet());
    EXPECT_EQ(platform::jobio::waitReadableOrSignal(p.server, wake, 5000), WaitResult::Signalled);
    EXPECT_EQ(platform::jobio::waitReadableOrSignal(p.server, wake, 5000), WaitResult::Signalled);
}

// A wait without a time-out (an idle listener's) ends only by its causes, each from another
// thread: the wake signal (the stop) or something to read.
TEST(WakeSignal, AWaitWithoutTimeOutEndsOnTheSignalOrData)
{
    using platform::jobio::kNoTimeout;
    using platform::jobio::waitReadableOrSignal;
    using platform::jobio::WaitResult;
    const struct
    {
        bool signal;
        WaitResult expected;
    } cases[] = {
        {true, WaitResult::Signalled},
        {false, WaitResult::Readable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal ? "signal" : "data");
        Pair p = connectedPair();
        platform::jobio::WakeSignal wake;
        std::thread cause([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (c.signal) {
                wake.set();
            } else {
                const char byte = 'x';
                sendAll(p.client, &byte, 1, 5000);
            }
        });
        EXPECT_EQ(waitReadableOrSignal(p.server, wake, kNoTimeout), c.expected);
        cause.join();
    }
}

// The wait of a job in line: either signal or the host's close ends it, from another thread,
// while data the host sent early leaves it waiting (and stays to be read).
TEST(WakeSignal, TurnWaitEndsOnEitherSignalOrTheHostsCloseButNotOnData)
{
    using platform::jobio::WaitResult;
    using platform::jobio::waitSignalsOrHangUp;
    enum class Cause
    {
        Stop,
        Turn,
        HostCloses,
        HostResets,
    };
    const struct
    {
        Cause cause;
        WaitResult expected;
    } cases[] = {
        {Cause::Stop, WaitResult::Signalled},
        {Cause::Turn, WaitResult::Signalled},
        {Cause::HostCloses, WaitResult::PeerGone},
        {Cause::HostResets, WaitResult::PeerGone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.cause));
        Pair p = connectedPair();
        platform::jobio::WakeSignal stop;
        platform::jobio::WakeSignal turn;
        const char early[] = "print data sent early";
        ASSERT_TRUE(sendAll(p.client, early, sizeof early, 5000).ok());
        ASSERT_EQ(waitReadable(p.server, 5000), IoStatus::Ok);
        EXPECT_EQ(waitSignalsOrHangUp(p.server, stop, turn, 100), WaitResult::TimedOut);

        std::thread cause([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            switch (c.cause) {
            case Cause::Stop:
                stop.set();
                break;
            case Cause::Turn:
                turn.set();
                break;
            case Cause::HostCloses:
                p.client.close();
                break;
            case Cause::HostResets:
                setAbortiveClose(p.client);
                p.client.close();
                break;
            }
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(waitSignalsOrHangUp(p.server, stop, turn, 60000), c.expected);
        cause.join();
        // Ended by the cause, long before the time-out.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
        if (c.cause == Cause::Turn) {
            turn.clear();
            EXPECT_FALSE(turn.isSet());
            EXPECT_EQ(waitSignalsOrHangUp(p.server, stop, turn, 10), WaitResult::TimedOut);
        }
    }
}
