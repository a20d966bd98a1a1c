#pragma once
// A waitable flag shared by threads of one process.
//
// A manual-reset event stays signalled once set, releasing every waiter, until reset() clears
// it. An auto-reset event releases exactly one waiter per set() and clears itself as it does;
// set() with nobody waiting keeps it signalled for the next waiter. Every wait has an end: there
// is no wait without a time-out, but the time-out may be long (it is capped at kMaxWait).
// All members are thread-safe.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform::sync {

class Event
{
public:
    enum class ResetMode
    {
        Manual,
        Auto,
    };

    // The longest wait one call makes; longer time-outs are shortened to it.
    static constexpr std::chrono::milliseconds kMaxWait = std::chrono::hours(24 * 366);

    explicit Event(ResetMode mode = ResetMode::Auto, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();

    // Waits until the event is signalled or `timeout` has passed; true when it was signalled
    // (an auto-reset event is then cleared again). A zero or negative time-out only tests it.
    bool wait(std::chrono::milliseconds timeout);

    ResetMode resetMode() const { return m_mode; }

private:
    const ResetMode m_mode;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled;
};

} // namespace platform::sync
