#pragma once
// The job hand-shake lock: one job at a time replies and takes its host's data connection on
// the shared data port, and the jobs waiting for it are served in the order they asked.
//
// A plain mutex lets a thread that keeps asking win again and again, so with many hosts some
// wait far longer than the queue in front of them. Here the holder hands the lock straight to
// the first in line when it lets go; nobody can take it in between. A waiter gives up its place
// when its own wait ends first (the server stops, its host goes away), and the lock then goes
// to the next one as if it had never asked.

#include "platform/jobio/wake_signal.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace typestone {

class HandshakeLock
{
public:
    // Owning the lock (owns_lock()) until unlock() or the end of its life, which hand it on.
    class Hold
    {
    public:
        Hold() = default;
        ~Hold() { unlock(); }
        Hold(Hold&& other) noexcept : m_lock(other.m_lock) { other.m_lock = nullptr; }
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

        bool owns_lock() const { return m_lock != nullptr; }
        void unlock();

    private:
        friend class HandshakeLock;
        explicit Hold(HandshakeLock* lock) : m_lock(lock) {}
        HandshakeLock* m_lock = nullptr;
    };

    HandshakeLock() = default;
    HandshakeLock(const HandshakeLock&) = delete;
    HandshakeLock& operator=(const HandshakeLock&) = delete;

    // Waits behind everyone who asked before. The lock sets `handedOver` when it becomes ours;
    // until then `wait` is called to block until that signal or an end of the caller's own
    // (it returns false to give up the place in line: the Hold then owns nothing).
    // `onHandedOver`, when given, runs as the lock is handed to this waiter, on the thread that
    // lets it go and before this waiter can see it has the lock: the first steps of its turn
    // then need not wait for it to wake. It runs under the lock's own mutex and must not call
    // into this lock.
    Hold acquire(platform::jobio::WakeSignal& handedOver, const std::function<bool()>& wait,
                 const std::function<void()>& onHandedOver = {});
    // The same without a signal: the wait looks at `cancel` every kCancelSliceMs and gives up
    // once it is true.
    Hold acquire(const std::atomic<bool>* cancel);
    static constexpr int kCancelSliceMs = 100;

    // How many are in line for the lock now.
    size_t Waiting() const;
    // The lock is held or somebody is in line for it.
    bool InUse() const;

private:
    struct Waiter
    {
        bool handed = false;
        platform::jobio::WakeSignal* signal = nullptr; // else `wake` is notified
        const std::function<void()>* onHandedOver = nullptr;
        std::condition_variable wake;
    };

    // Takes the lock when it is free and nobody is in line, else queues `waiter`; under m_mutex.
    bool takeOrQueue(Waiter& waiter);
    void leaveLine(Waiter& waiter);
    void release();

    mutable std::mutex m_mutex;
    bool m_held = false;
    std::deque<Waiter*> m_line; // in the order they asked
};

} // namespace typestone
