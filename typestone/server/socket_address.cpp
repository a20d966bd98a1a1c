#include "typestone/server/socket_address.h"

#include "platform/net/socket.h"
#include "platform/net/socket_io.h"

namespace typestone {

bool GetLocalSockAddr(const platform::net::Socket& sock, std::string* address, uint16_t* port)
{
    address->clear();
    *port = 0;
    if (!sock.isValid())
        return false;
    const std::optional<platform::net::Endpoint> local = platform::net::localEndpoint(sock);
    if (!local)
        return false;
    *address = local->address;
    *port = local->port;
    return true;
}

} // namespace typestone
