#include "platform/net/socket.h"

#include <cerrno>
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

} // namespace platform::net
