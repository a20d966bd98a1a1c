#pragma once
// Whether the other end of a connected TCP socket has gone, without reading from it.
//
// A connection may hold unread data (the start of a job) while its worker waits for its turn;
// a plain readability test cannot tell that data from the peer's close, so this asks the
// system for the hang-up condition itself.

#include "platform/net/socket.h"

namespace platform::jobio {

// True when the peer has closed or shut down its sending side, or the connection has failed.
// Answers at once (no wait). An invalid socket counts as gone.
bool peerHasClosed(const platform::net::Socket& sock);

} // namespace platform::jobio
