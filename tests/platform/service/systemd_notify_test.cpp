#include "platform/service/systemd_notify.h"

#include "tests/support/env/scoped_env.h"
#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A datagram socket standing in for systemd's notification socket.
class NotifySocket
{
public:
    explicit NotifySocket(const std::string& path) : m_path(path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        ::unlink(path.c_str());
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket()
    {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    bool bound() const { return m_bound; }
    std::string receive()
    {
        char buffer[512];
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        return got > 0 ? std::string(buffer, size_t(got)) : std::string();
    }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_bound = false;
};

TEST(SystemdNotify, WithoutNotifySocketNothingIsSent)
{
    ts::support::ScopedEnv env("NOTIFY_SOCKET", std::nullopt);
    EXPECT_FALSE(platform::service::notifySocketSet());
    EXPECT_FALSE(platform::service::notifySystemd("READY=1"));
}

TEST(SystemdNotify, NoticeArrivesAsOneDatagram)
{
    ts::support::TempDir dir("ts-notify");
    ASSERT_TRUE(dir.ok()) << dir.error();
    const std::string path = dir.path("notify");
    NotifySocket socket(path);
    ASSERT_TRUE(socket.bound());
    ts::support::ScopedEnv env("NOTIFY_SOCKET", path);
    EXPECT_TRUE(platform::service::notifySystemd("READY=1\nSTATUS=Serving"));
    EXPECT_EQ(socket.receive(), "READY=1\nSTATUS=Serving");
    env.set("NOTIFY_SOCKET", "relative/path");
    EXPECT_FALSE(platform::service::notifySystemd("READY=1"));
}

} // namespace
