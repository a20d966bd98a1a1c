#include "platform/jobio/wake_signal.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform::jobio {

WakeSignal::WakeSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeSignal::set()
{
    if (m_fd < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
}

bool WakeSignal::isSet() const
{
    if (m_fd < 0)
        return false;
    pollfd pfd{m_fd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN);
}

void WakeSignal::clear()
{
    if (m_fd < 0)
        return;
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_fd, &count, sizeof count);
}

WaitResult waitReadableOrSignal(const platform::net::Socket& sock, const WakeSignal& wake, int timeoutMs)
{
    pollfd fds[2] = {{sock.fd(), POLLIN, 0}, {wake.fd(), POLLIN, 0}};
    const nfds_t count = wake.fd() >= 0 ? 2 : 1;
    const bool forever = timeoutMs == kNoTimeout && count == 2;
    if (timeoutMs == kNoTimeout && !forever)
        timeoutMs = kNoSignalSliceMs;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int waitMs = forever ? -1 : left.count() > 0 ? static_cast<int>(left.count()) : 0;
        const int rc = ::poll(fds, count, waitMs);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            return WaitResult::Failed;
        if (rc == 0)
            return WaitResult::TimedOut;
        if (count == 2 && (fds[1].revents & POLLIN))
            return WaitResult::Signalled;
        if (fds[0].revents & POLLNVAL)
            return WaitResult::Failed;
        return WaitResult::Readable;
    }
}

WaitResult waitSignalsOrHangUp(const platform::net::Socket& sock, const WakeSignal& stop,
                               const WakeSignal& look, int timeoutMs)
{
    // POLLRDHUP, not POLLIN: bytes the host sent early must not turn the wait into a spin.
    pollfd fds[3] = {{sock.fd(), POLLRDHUP, 0}, {stop.fd(), POLLIN, 0}, {look.fd(), POLLIN, 0}};
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int rc = ::poll(fds, 3, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            return WaitResult::Failed;
        if (rc == 0)
            return WaitResult::TimedOut;
        if ((fds[1].revents & POLLIN) || (fds[2].revents & POLLIN))
            return WaitResult::Signalled;
        if (fds[0].revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL))
            return WaitResult::PeerGone;
        return WaitResult::Failed;
    }
}

} // namespace platform::jobio
