#include "platform/service/signal_channel.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace platform::service {

SignalChannel::~SignalChannel()
{
    close();
}

bool SignalChannel::open(std::initializer_list<int> signalNumbers)
{
    close();
    sigset_t set;
    sigemptyset(&set);
    for (int s : signalNumbers)
        sigaddset(&set, s);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
        return false;
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    return m_fd >= 0;
}

void SignalChannel::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::optional<int> SignalChannel::readSignal()
{
    if (m_fd < 0)
        return std::nullopt;
    signalfd_siginfo info{};
    ssize_t got;
    do {
        got = ::read(m_fd, &info, sizeof info);
    } while (got < 0 && errno == EINTR);
    if (got != ssize_t(sizeof info))
        return std::nullopt;
    return int(info.ssi_signo);
}

bool SignalChannel::waitPending(int timeoutMs) const
{
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0 && (p.revents & POLLIN) != 0;
}

} // namespace platform::service
