#pragma once
// Readiness and status notices to systemd (a unit of Type=notify).
//
// systemd passes the address of its notification socket in NOTIFY_SOCKET: a path, or an
// abstract address written with a leading '@'. A notice is one datagram of "KEY=VALUE" lines.
// Without NOTIFY_SOCKET (not started by systemd) nothing is sent and the call reports false.

#include <string>

namespace platform::service {

// Sends `state` ("READY=1", "STOPPING=1", "STATUS=...", lines joined by '\n'). True when the
// datagram went out.
bool notifySystemd(const std::string& state);

// True when NOTIFY_SOCKET names a socket.
bool notifySocketSet();

} // namespace platform::service
