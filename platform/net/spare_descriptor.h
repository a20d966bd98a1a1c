#pragma once
// One descriptor held in reserve for a listener that runs out of them.
//
// When accept fails for want of descriptors the waiting connection stays in the queue and the
// listener stays readable: a loop that only retries spins at full speed and never serves it.
// With the reserve the listener can still take that connection and close it at once, so the
// host learns it was refused and the queue drains.

#include "platform/net/socket.h"

namespace platform::net {

class SpareDescriptor
{
public:
    // Opens the reserve (a descriptor of /dev/null).
    SpareDescriptor();
    ~SpareDescriptor();
    SpareDescriptor(const SpareDescriptor&) = delete;
    SpareDescriptor& operator=(const SpareDescriptor&) = delete;

    bool isHeld() const { return m_fd >= 0; }

    // Gives up the reserve, accepts one waiting connection on `listener` (non-blocking, as
    // listenTcp makes it) and closes it, then takes the reserve back. True when a connection
    // was taken. Without a reserve it first tries to open one.
    bool shedOne(const Socket& listener);

private:
    void open();

    int m_fd = -1;
};

// True when an accept failed for want of descriptors (the process's or the system's).
bool isOutOfDescriptors(int socketErrorCode);

} // namespace platform::net
