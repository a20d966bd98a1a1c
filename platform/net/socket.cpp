#include "platform/net/socket.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::net {

Socket::~Socket()
{
    reset();
}

Socket::Socket(Socket&& other) noexcept : m_fd(other.release()) {}

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

int Socket::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void Socket::reset(int fd)
{
    if (m_fd >= 0 && m_fd != fd) {
        const int saved = errno;
        // Linux releases the descriptor even when close reports EINTR; never retry.
        ::close(m_fd);
        errno = saved;
    }
    m_fd = fd;
}

bool setAbortiveClose(const Socket& sock)
{
    if (!sock.isValid()) {
        errno = EBADF;
        return false;
    }
    const linger abortive{1, 0};
    return ::setsockopt(sock.fd(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive) == 0;
}

} // namespace platform::net
