#include "platform/jobio/peer_state.h"

#include <cerrno>
#include <poll.h>

namespace platform::jobio {

bool peerHasClosed(const platform::net::Socket& sock)
{
    if (!sock.isValid())
        return true;
    pollfd pfd{};
    pfd.fd = sock.fd();
    pfd.events = POLLRDHUP;
    for (;;) {
        const int rc = ::poll(&pfd, 1, 0);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            return true;
        return rc > 0 && (pfd.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
    }
}

} // namespace platform::jobio
