#pragma once
// The clock of the library's traces, boxes and dialogs: a monotonic 64-bit tick count in
// milliseconds and the wall-clock time. Dialog models take one by reference so tests can drive
// time by hand.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <ctime>

namespace klv {

class KLV_EXPORT MsgClock
{
public:
    virtual ~MsgClock();
    // Milliseconds since an arbitrary start; never goes backwards.
    virtual uint64_t tickMs() const = 0;
    // Seconds since the epoch.
    virtual time_t now() const = 0;

    // The real clock (steady ticks, system time); lives for the whole process.
    static MsgClock& system();
};

} // namespace klv
