#pragma once
// What the socket calls report: a status, what was done, and on failure a readable error
// with its Windows Sockets number.

#include "platform/net/endpoint.h"
#include "platform/net/socket.h"

#include <cstddef>
#include <string>

namespace platform::net {

struct SocketError
{
    int code = 0;     // Windows Sockets number (wsa_error.h); 0 when nothing failed
    int sysError = 0; // the errno behind it, 0 when the failure did not come from the system
    std::string text; // "connect to 127.0.0.1:9: Connection refused (WSAECONNREFUSED 10061)"
};

enum class IoStatus
{
    Ok,         // done (data moved, connection accepted, socket ready)
    PeerClosed, // the peer ended the connection in order (a stream read 0 bytes)
    TimedOut,   // the time-out passed first; error.code is WSAETIMEDOUT
    Canceled,   // the cancel flag was seen; error.code is WSAEINTR
    Failed,     // a call failed; see error
};

struct IoResult
{
    IoStatus status = IoStatus::Failed;
    size_t bytes = 0; // bytes moved, also when the operation stopped part-way
    SocketError error;
    bool ok() const { return status == IoStatus::Ok; }
};

// A socket created by listenTcp, bindUdp or connectTcp; `local` is the address and port it
// is really bound to (the port the system chose when 0 was asked for).
struct SocketResult
{
    Socket socket; // invalid on failure
    Endpoint local;
    SocketError error;
    bool ok() const { return socket.isValid(); }
};

struct AcceptResult
{
    IoStatus status = IoStatus::Failed;
    Socket socket; // the accepted connection when status is Ok
    Endpoint peer;
    SocketError error;
    bool ok() const { return status == IoStatus::Ok; }
};

struct DatagramResult
{
    IoStatus status = IoStatus::Failed;
    size_t bytes = 0;        // bytes stored in the buffer
    size_t datagramSize = 0; // size of the datagram as sent
    bool truncated = false;  // the datagram was larger than the buffer; the rest is lost
    Endpoint from;
    SocketError error;
    bool ok() const { return status == IoStatus::Ok; }
};

struct LookupResult
{
    std::string text; // a host name, or a dotted address; empty on failure
    SocketError error;
    bool ok() const { return !text.empty(); }
};

} // namespace platform::net
