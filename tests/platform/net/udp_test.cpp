#include "net_test_util.h"
#include "platform/net/socket_io.h"
#include "platform/net/udp.h"
#include "platform/net/wsa_error.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform::net;

namespace {
constexpr int kWaitMs = 5000;
}

TEST(Udp, ReportsTheBoundPortTheSenderAndTruncation)
{
    SocketResult receiver = bindUdp(kLoopbackAddress, 0, false);
    ASSERT_TRUE(receiver.ok()) << receiver.error.text;
    EXPECT_NE(receiver.local.port, 0);
    EXPECT_EQ(localEndpoint(receiver.socket), receiver.local);
    SocketResult sender = bindUdp(kLoopbackAddress, 0, false);
    ASSERT_TRUE(sender.ok()) << sender.error.text;
    EXPECT_TRUE(nettest::isCloseOnExec(receiver.socket.fd()));

    const std::string message = "0123456789";
    ASSERT_TRUE(sendTo(sender.socket, message.data(), message.size(), receiver.local).ok());
    ASSERT_TRUE(sendTo(sender.socket, "", 0, receiver.local).ok());
    ASSERT_TRUE(sendTo(sender.socket, "ab", 2, receiver.local).ok());

    char buf[4] = {};
    DatagramResult cut = receiveFrom(receiver.socket, buf, sizeof buf, kWaitMs);
    ASSERT_TRUE(cut.ok()) << cut.error.text;
    EXPECT_TRUE(cut.truncated);
    EXPECT_EQ(cut.bytes, 4u);
    EXPECT_EQ(cut.datagramSize, 10u);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(cut.from, sender.local);

    // The rest of the cut datagram is gone; the next two arrive as sent.
    DatagramResult empty = receiveFrom(receiver.socket, buf, sizeof buf, kWaitMs);
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(empty.bytes, 0u);
    EXPECT_FALSE(empty.truncated);
    DatagramResult whole = receiveFrom(receiver.socket, buf, sizeof buf, kWaitMs);
    ASSERT_TRUE(whole.ok());
    EXPECT_FALSE(whole.truncated);
    EXPECT_EQ(std::string(buf, whole.bytes), "ab");

    DatagramResult none = receiveFrom(receiver.socket, buf, sizeof buf, 50);
    EXPECT_EQ(none.status, IoStatus::TimedOut);
    EXPECT_EQ(none.error.code, wsa::TimedOut);
}

TEST(Udp, RefusesBadAddressesTakenPortsAndOversizedDatagrams)
{
    SocketResult a = bindUdp(kLoopbackAddress, 0, false);
    ASSERT_TRUE(a.ok());
    const size_t before = nettest::openDescriptors();
    SocketResult taken = bindUdp(kLoopbackAddress, a.local.port, false);
    EXPECT_FALSE(taken.ok());
    EXPECT_EQ(taken.error.code, wsa::AddressInUse);
    EXPECT_EQ(lastSocketError(), wsa::AddressInUse);
    EXPECT_EQ(nettest::openDescriptors(), before);

    EXPECT_EQ(bindUdp("localhost", 0, false).error.code, wsa::InvalidArgument);
    EXPECT_EQ(sendTo(a.socket, "x", 1, Endpoint{"host.example", 9}).error.code, wsa::InvalidArgument);

    const std::string huge(70000, 'x');
    IoResult tooBig = sendTo(a.socket, huge.data(), huge.size(), a.local);
    EXPECT_EQ(tooBig.status, IoStatus::Failed);
    EXPECT_EQ(tooBig.error.code, wsa::MessageSize);
}

TEST(Socket, OwnsItsDescriptorAcrossMovesAndClosesItOnce)
{
    SocketResult r = bindUdp(kLoopbackAddress, 0, false);
    ASSERT_TRUE(r.ok());
    const int fd = r.socket.fd();
    {
        Socket moved = std::move(r.socket);
        EXPECT_FALSE(r.socket.isValid());
        EXPECT_EQ(moved.fd(), fd);
        Socket assigned;
        assigned = std::move(moved);
        EXPECT_FALSE(moved.isValid());
        EXPECT_TRUE(nettest::isOpen(fd));
    }
    EXPECT_FALSE(nettest::isOpen(fd));

    SocketResult s = bindUdp(kLoopbackAddress, 0, false);
    ASSERT_TRUE(s.ok());
    const int kept = s.socket.release();
    EXPECT_FALSE(s.socket.isValid());
    EXPECT_TRUE(nettest::isOpen(kept));
    Socket(kept).close();
    EXPECT_FALSE(nettest::isOpen(kept));
}
