#pragma once
// The address and port our end of a socket is bound to, as the host link and the trace name
// them ("127.0.0.1" and 3341).

#include <cstdint>
#include <string>

namespace platform::net {
class Socket;
}

namespace typestone {

// The dotted address and the port of our end of `sock`; false, with both outputs emptied, for
// a socket that is closed or not an IPv4 one.
bool GetLocalSockAddr(const platform::net::Socket& sock, std::string* address, uint16_t* port);

} // namespace typestone
