#include "platform/net/spare_descriptor.h"

#include "platform/net/wsa_error.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::net {

SpareDescriptor::SpareDescriptor()
{
    open();
}

SpareDescriptor::~SpareDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void SpareDescriptor::open()
{
    if (m_fd < 0)
        m_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

bool SpareDescriptor::shedOne(const Socket& listener)
{
    open();
    if (m_fd < 0)
        return false;
    ::close(m_fd);
    m_fd = -1;
    const int taken = ::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (taken < 0) {
        // Another thread may have taken the freed slot meanwhile; then the next call or the
        // next accepted connection (refillFrom) brings the reserve back.
        open();
        return false;
    }
    ::shutdown(taken, SHUT_RDWR);
    m_fd = taken;
    return true;
}

bool SpareDescriptor::refillFrom(Socket& accepted)
{
    open();
    if (m_fd >= 0 || !accepted.isValid())
        return false;
    m_fd = accepted.release();
    ::shutdown(m_fd, SHUT_RDWR);
    return true;
}

bool isOutOfDescriptors(int socketErrorCode)
{
    return socketErrorCode == wsa::TooManyOpenFiles || socketErrorCode == wsa::FileTableFull;
}

} // namespace platform::net
