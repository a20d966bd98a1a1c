#pragma once
// The stop signals while the server starts, before its event loop watches them. A stop then
// ends every wait on the settings store at once (a store another process holds locked would
// otherwise hold the start-up for seconds per value) and is remembered, so that the start-up
// ends instead of going on to serve. The status signal has no meaning yet and is dropped.

#include <atomic>
#include <thread>

namespace platform::service {
class SignalChannel;
}

namespace typestone {

class StartupStopWatch
{
public:
    // Watches `channel` (null or closed: nothing to watch) on a thread of its own.
    explicit StartupStopWatch(platform::service::SignalChannel* channel);
    ~StartupStopWatch();
    StartupStopWatch(const StartupStopWatch&) = delete;
    StartupStopWatch& operator=(const StartupStopWatch&) = delete;

    // Ends the watch: the event loop takes the signals from here.
    void Finish();
    bool StopRequested() const { return m_stopRequested; }

    // How often the watch looks whether it is finished.
    static constexpr int kSliceMs = 100;

private:
    void run();

    platform::service::SignalChannel* m_channel;
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_stopRequested{false};
    std::thread m_thread;
};

} // namespace typestone
