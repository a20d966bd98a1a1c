#pragma once
// Internal to platform/net: bounded waits on one descriptor and error texts from errno.

#include "platform/net/socket_results.h"

#include <atomic>
#include <chrono>
#include <string>

namespace platform::net::detail {

using Clock = std::chrono::steady_clock;

// The moment `timeoutMs` from now; negative time-outs count as 0.
Clock::time_point deadlineAfter(int timeoutMs);

// Waits until `fd` has one of `events` (POLLIN/POLLOUT) or an error/hang-up condition, the
// deadline passes or `*cancel` becomes true. With a cancel flag the wait runs in short slices
// so the flag is seen soon after it is set. Ok means "go and try the call": the call itself
// tells whether the condition was an error. On Failed errno holds the cause.
IoStatus pollUntil(int fd, short events, Clock::time_point deadline, const std::atomic<bool>* cancel);

// An error from errno as it is now: "<what>: <strerror> (<WSA name> <number>)".
SocketError errorFromErrno(const std::string& what);
SocketError errorFromErrno(const std::string& what, int errnoValue);
// An error that did not come from a system call, reported under a Windows Sockets number.
SocketError errorWithCode(const std::string& what, int wsaCode);

// Fills a SocketError for a status that is not Ok (TimedOut, Canceled, Failed from errno).
SocketError errorForStatus(IoStatus status, const std::string& what);

} // namespace platform::net::detail
