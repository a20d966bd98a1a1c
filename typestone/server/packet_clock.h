#pragma once
// The time the host file link measures its waits with. Tests put in one they drive, so the
// 32-second answer time and the 1-second send gap can be tried without waiting them out.

#include <cstdint>

namespace typestone {

class PacketClock
{
public:
    virtual ~PacketClock() = default;
    // Milliseconds on a clock that never goes back.
    virtual int64_t nowMs() = 0;
    // Waits `ms` milliseconds (at most: a caller may pass its remaining time).
    virtual void sleepMs(int ms) = 0;

    // The steady clock of the process.
    static PacketClock& Steady();
};

} // namespace typestone
