#include "platform/sync/event.h"

namespace platform::sync {

Event::Event(ResetMode mode, bool initiallySet) : m_mode(mode), m_signalled(initiallySet) {}

void Event::set()
{
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    // An auto-reset event lets one waiter through; waking more would only send them back.
    if (m_mode == ResetMode::Manual)
        m_changed.notify_all();
    else
        m_changed.notify_one();
}

void Event::reset()
{
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool Event::wait(std::chrono::milliseconds timeout)
{
    // Capped so that now() + timeout cannot overflow the clock's representation.
    if (timeout > kMaxWait)
        timeout = kMaxWait;
    std::unique_lock lock(m_mutex);
    if (!m_signalled && timeout.count() > 0) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        m_changed.wait_until(lock, deadline, [this] { return m_signalled; });
    }
    if (!m_signalled)
        return false;
    if (m_mode == ResetMode::Auto)
        m_signalled = false;
    return true;
}

} // namespace platform::sync
