#include "platform/service/systemd_notify.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::service {

bool notifySocketSet()
{
    const char* path = std::getenv("NOTIFY_SOCKET");
    return path && path[0] != '\0';
}

bool notifySystemd(const std::string& state)
{
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (!path || path[0] == '\0' || state.empty())
        return false;
    const size_t length = std::strlen(path);
    sockaddr_un address{};
    if (length >= sizeof(address.sun_path) || (path[0] != '/' && path[0] != '@'))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path, length);
    if (path[0] == '@')
        address.sun_path[0] = '\0'; // abstract namespace
    const socklen_t addressLength = socklen_t(offsetof(sockaddr_un, sun_path) + length);

    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ssize_t sent;
    do {
        sent = ::sendto(fd, state.data(), state.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                        reinterpret_cast<const sockaddr*>(&address), addressLength);
    } while (sent < 0 && errno == EINTR);
    ::close(fd);
    return sent == ssize_t(state.size());
}

} // namespace platform::service
