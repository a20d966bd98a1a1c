// The spare descriptor lets a listener that is out of descriptors still take a waiting
// connection and close it. The limit is lowered in a child process, so the test program's own
// descriptors are never short.

#include "platform/net/socket_io.h"
#include "platform/net/spare_descriptor.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"
#include "tests/support/env/in_child.h"

#include "net_test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

using namespace platform::net;

using ts::support::inChild;

// Uses up every descriptor below the soft limit.
void exhaustDescriptors(std::vector<int>* held)
{
    for (;;) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        held->push_back(fd);
    }
}

// In the child: lowers its descriptor limit to `low`, listens and has two hosts connect.
// 0, or the code of the step that failed.
int crowdedListener(rlim_t low, SocketResult* listener, std::vector<SocketResult>* clients)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = low;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 10;
    *listener = listenTcp("127.0.0.1", 0, 5, false);
    if (!listener->ok())
        return 11;
    for (int i = 0; i < 2; ++i) {
        clients->push_back(connectTcp("127.0.0.1", listener->local.port, 5000));
        if (!clients->back().ok())
            return 13;
    }
    return 0;
}

TEST(SpareDescriptorTest, OutOfDescriptorsTheWaitingConnectionIsClosed)
{
    // A little above what this program holds already, whatever the harness left open.
    const rlim_t low = rlim_t(nettest::openDescriptors() + 16);
    const int rc = inChild([low] {
        SocketResult listener;
        std::vector<SocketResult> clients;
        if (const int failed = crowdedListener(low, &listener, &clients))
            return failed;
        SpareDescriptor spare;
        if (!spare.isHeld())
            return 12;
        std::vector<int> held;
        exhaustDescriptors(&held);

        // Without the spare, accept fails and the connection stays waiting.
        AcceptResult failed = acceptWithin(listener.socket, 0);
        if (failed.status != IoStatus::Failed || !isOutOfDescriptors(failed.error.code))
            return 14;
        // With it, one connection after the other is taken and closed.
        for (SocketResult& client : clients) {
            if (!spare.shedOne(listener.socket))
                return 15;
            uint8_t byte = 0;
            if (receiveSome(client.socket, &byte, 1, 5000).status != IoStatus::PeerClosed)
                return 16;
        }
        if (!spare.isHeld())
            return 17; // taken back each time
        // Nothing waits any more: nothing is taken, and the reserve stays.
        if (spare.shedOne(listener.socket) || !spare.isHeld())
            return 18;
        return 0;
    });
    EXPECT_EQ(rc, 0);
}

TEST(SpareDescriptorTest, ALostReserveIsRefilledFromTheNextConnection)
{
    const rlim_t low = rlim_t(nettest::openDescriptors() + 16);
    const int rc = inChild([low] {
        SocketResult listener;
        std::vector<SocketResult> clients;
        if (const int failed = crowdedListener(low, &listener, &clients))
            return failed;
        // Both reserves lost: made while the process was full.
        std::vector<int> held;
        exhaustDescriptors(&held);
        SpareDescriptor full, roomy;
        if (full.isHeld() || roomy.isHeld())
            return 13;
        const auto freeOne = [&held] {
            ::close(held.back());
            held.pop_back();
        };

        // A slot frees and a connection takes it: with no room for a reserve, that
        // connection gives its slot back and its host sees the close.
        freeOne();
        AcceptResult first = acceptWithin(listener.socket, 5000);
        if (!first.ok())
            return 14;
        if (!full.refillFrom(first.socket) || !full.isHeld() || first.socket.isValid())
            return 15;
        uint8_t byte = 0;
        if (receiveSome(clients[0].socket, &byte, 1, 5000).status != IoStatus::PeerClosed)
            return 16;

        // With room for a reserve the connection is served, and the reserve comes back too.
        freeOne();
        freeOne();
        AcceptResult second = acceptWithin(listener.socket, 5000);
        if (!second.ok())
            return 17;
        if (roomy.refillFrom(second.socket) || !roomy.isHeld() || !second.socket.isValid())
            return 18;
        return 0;
    });
    EXPECT_EQ(rc, 0);
}

TEST(SpareDescriptorTest, OnlyTheDescriptorErrorsCount)
{
    EXPECT_TRUE(isOutOfDescriptors(wsa::TooManyOpenFiles));
    EXPECT_TRUE(isOutOfDescriptors(wsa::FileTableFull));
    EXPECT_FALSE(isOutOfDescriptors(wsa::NoBuffers));
    EXPECT_FALSE(isOutOfDescriptors(0));
}

} // namespace
