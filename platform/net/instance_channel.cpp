#include "platform/net/instance_channel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::net {
namespace {

constexpr size_t kRequestSize = 20;
constexpr int kReadTimeoutMs = 1000;

void putLe(uint8_t* out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t getLe(const uint8_t* in, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint64_t(in[i]) << (8 * i);
    return value;
}

socklen_t fillAddress(sockaddr_un* sa, const std::string& name)
{
    std::memset(sa, 0, sizeof *sa);
    sa->sun_family = AF_UNIX;
    const size_t length = std::min(name.size(), sizeof sa->sun_path - 1);
    std::memcpy(sa->sun_path + 1, name.data(), length); // sun_path[0] = 0: abstract
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// Waits for `events` on `fd` until `deadline`; false on time-out or error.
bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, static_cast<int>(left.count()));
        if (r > 0)
            return (p.revents & events) != 0;
        if (r < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

InstanceChannel::~InstanceChannel()
{
    stop();
}

std::string InstanceChannel::address(const std::string& app, uint32_t pid)
{
    std::string clean;
    for (char c : app.substr(0, 64)) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                        c == '.' || c == '_' || c == '-';
        clean += ok ? c : '_';
    }
    return "klv-instance." + clean + "." + std::to_string(pid);
}

bool InstanceChannel::listen(const std::string& app, Handler handler, std::string* error)
{
    stop();
    auto fail = [&](const char* what) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(errno);
        if (m_listenFd >= 0)
            ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    };
    m_listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listenFd < 0)
        return fail("cannot make the instance socket");
    sockaddr_un sa{};
    const socklen_t length = fillAddress(&sa, address(app, uint32_t(getpid())));
    if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&sa), length) != 0)
        return fail("cannot take the instance address");
    if (::listen(m_listenFd, 8) != 0)
        return fail("cannot listen on the instance socket");
    if (pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        m_stopPipe[0] = m_stopPipe[1] = -1;
        return fail("cannot make the instance channel's stop pipe");
    }
    m_handler = std::move(handler);
    m_thread = std::thread([this] { serve(); });
    return true;
}

void InstanceChannel::stop()
{
    if (m_thread.joinable()) {
        const char byte = 0;
        while (::write(m_stopPipe[1], &byte, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    for (int& fd : m_stopPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
    m_handler = nullptr;
}

void InstanceChannel::serve()
{
    for (;;) {
        pollfd p[2] = {{m_listenFd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[1].revents != 0)
            return;
        const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        ucred peer{};
        socklen_t peerSize = sizeof peer;
        const bool trusted = getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) == 0 &&
                             (peer.uid == geteuid() || peer.uid == 0);
        uint8_t bytes[kRequestSize];
        size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
        while (trusted && got < kRequestSize && waitFor(fd, POLLIN, deadline)) {
            const ssize_t n = ::read(fd, bytes + got, kRequestSize - got);
            if (n <= 0 && !(n < 0 && (errno == EINTR || errno == EAGAIN)))
                break;
            if (n > 0)
                got += size_t(n);
        }
        if (got == kRequestSize) {
            const uint8_t ack = 1;
            (void)!::send(fd, &ack, 1, MSG_NOSIGNAL);
            InstanceRequest request;
            request.message = static_cast<uint32_t>(getLe(bytes, 4));
            request.wParam = getLe(bytes + 4, 8);
            request.lParam = static_cast<int64_t>(getLe(bytes + 12, 8));
            if (m_handler)
                m_handler(request);
        }
        ::close(fd);
    }
}

bool InstanceChannel::send(const std::string& app, uint32_t pid, const InstanceRequest& request,
                           int timeoutMs)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    sockaddr_un sa{};
    const socklen_t length = fillAddress(&sa, address(app, pid));
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&sa), length) == 0 ||
              (errno == EINPROGRESS && waitFor(fd, POLLOUT, deadline));
    uint8_t bytes[kRequestSize];
    putLe(bytes, request.message, 4);
    putLe(bytes + 4, request.wParam, 8);
    putLe(bytes + 12, static_cast<uint64_t>(request.lParam), 8);
    size_t sent = 0;
    while (ok && sent < kRequestSize) {
        const ssize_t n = ::send(fd, bytes + sent, kRequestSize - sent, MSG_NOSIGNAL);
        if (n > 0)
            sent += size_t(n);
        else if (n < 0 && errno == EAGAIN)
            ok = waitFor(fd, POLLOUT, deadline);
        else if (!(n < 0 && errno == EINTR))
            ok = false;
    }
    // The instance answers one byte once it has taken the request.
    uint8_t ack = 0;
    ok = ok && waitFor(fd, POLLIN, deadline) && ::read(fd, &ack, 1) == 1 && ack == 1;
    ::close(fd);
    return ok;
}

} // namespace platform::net
