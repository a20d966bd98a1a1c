#pragma once
// A signal that ends a worker's socket wait at once, so idle connections can wait long (and
// cost nothing) yet still stop the moment the server asks them to.

#include "platform/net/socket.h"

namespace platform::jobio {

class WakeSignal
{
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Stays set once set (any thread).
    void set();
    bool isSet() const;

    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

enum class WaitResult
{
    Readable,  // data, the peer's close or an error: the next receive tells which
    Signalled, // the wake signal is set
    TimedOut,
    Failed,
};

// Waits until `sock` is readable or `wake` is set, at most `timeoutMs` (one poll, no slices).
WaitResult waitReadableOrSignal(const platform::net::Socket& sock, const WakeSignal& wake, int timeoutMs);

} // namespace platform::jobio
