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
    // Made on one thread for use on another: the descriptor moves with it.
    WakeSignal(WakeSignal&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    WakeSignal& operator=(WakeSignal&&) = delete;

    // Stays set once set (any thread), until clear().
    void set();
    bool isSet() const;
    // Takes the signal back, for a signal that marks "look again" rather than "stop".
    void clear();

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
    PeerGone, // the peer closed its side or the connection failed (waitSignalsOrHangUp)
};

// A time-out that never runs out: the wait ends only by its descriptors.
inline constexpr int kNoTimeout = -1;

// Waits until `sock` is readable or `wake` is set, at most `timeoutMs` (one poll, no slices).
// With kNoTimeout there is no time-out, as long as `wake` has a descriptor to end the wait;
// one without (the system gave none) returns TimedOut after kNoSignalSliceMs instead, so the
// caller looks at its stop flag now and then.
WaitResult waitReadableOrSignal(const platform::net::Socket& sock, const WakeSignal& wake, int timeoutMs);
inline constexpr int kNoSignalSliceMs = 1000;

// Waits until `stop` or `look` is set (Signalled) or the peer of `sock` closes its side or the
// connection fails (PeerGone), at most `timeoutMs`, in one poll. Data the peer sent does not
// end the wait: it stays in the socket for later.
WaitResult waitSignalsOrHangUp(const platform::net::Socket& sock, const WakeSignal& stop,
                               const WakeSignal& look, int timeoutMs);

} // namespace platform::jobio
