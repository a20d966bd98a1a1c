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
    // listenTcp makes it) and shuts it down (the host sees the close); that connection's
    // descriptor is the reserve now, so no other thread can take the slot in between. True
    // when a connection was taken. Without a reserve it first tries to open one.
    bool shedOne(const Socket& listener);

    // After the reserve was lost (another thread opened something in the moment it was given
    // up, and the process is full again), the connection just accepted gives its slot back:
    // without a reserve that can be opened now, `accepted` is shut down and its descriptor
    // kept as the reserve. True when it was taken so (the caller must not serve it).
    bool refillFrom(Socket& accepted);

private:
    void open();

    int m_fd = -1;
};

// True when an accept failed for want of descriptors (the process's or the system's).
bool isOutOfDescriptors(int socketErrorCode);

} // namespace platform::net
