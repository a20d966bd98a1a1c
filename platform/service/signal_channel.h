#pragma once
// Process signals as a readable descriptor, so an event loop can watch them.
//
// open() blocks the given signals for the calling thread and opens a signal descriptor for
// them. Threads started afterwards inherit the block, so call it in main() before any thread
// starts; then no thread is interrupted and every such signal waits in the descriptor until
// readSignal() takes it.

#include <initializer_list>
#include <optional>

namespace platform::service {

class SignalChannel
{
public:
    SignalChannel() = default;
    ~SignalChannel();
    SignalChannel(const SignalChannel&) = delete;
    SignalChannel& operator=(const SignalChannel&) = delete;

    bool open(std::initializer_list<int> signalNumbers);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    // The descriptor to watch for reading (-1 when closed).
    int fd() const { return m_fd; }
    // Takes one pending signal without waiting; nothing when none is pending.
    std::optional<int> readSignal();
    // Waits at most `timeoutMs` for a signal to be pending; false on time-out or when closed.
    bool waitPending(int timeoutMs) const;

private:
    int m_fd = -1;
};

} // namespace platform::service
