#include "typestone/server/handshake_lock.h"

#include <algorithm>
#include <chrono>

namespace typestone {

HandshakeLock::Hold& HandshakeLock::Hold::operator=(Hold&& other) noexcept
{
    if (this != &other) {
        unlock();
        m_lock = other.m_lock;
        other.m_lock = nullptr;
    }
    return *this;
}

void HandshakeLock::Hold::unlock()
{
    if (m_lock) {
        m_lock->release();
        m_lock = nullptr;
    }
}

bool HandshakeLock::takeOrQueue(Waiter& waiter)
{
    if (!m_held && m_line.empty()) {
        m_held = true;
        return true;
    }
    m_line.push_back(&waiter);
    return false;
}

void HandshakeLock::leaveLine(Waiter& waiter)
{
    m_line.erase(std::find(m_line.begin(), m_line.end(), &waiter));
}

HandshakeLock::Hold HandshakeLock::acquire(platform::jobio::WakeSignal& handedOver,
                                           const std::function<bool()>& wait,
                                           const std::function<void()>& onHandedOver)
{
    Waiter waiter;
    waiter.signal = &handedOver;
    if (onHandedOver)
        waiter.onHandedOver = &onHandedOver;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (takeOrQueue(waiter))
        return Hold(this);
    for (;;) {
        lock.unlock();
        const bool goOn = wait();
        lock.lock();
        // Handed over while the wait ended for another reason: the lock is ours all the same,
        // and the caller decides what to do with it.
        if (waiter.handed)
            return Hold(this);
        if (!goOn) {
            leaveLine(waiter);
            return Hold();
        }
    }
}

HandshakeLock::Hold HandshakeLock::acquire(const std::atomic<bool>* cancel)
{
    Waiter waiter;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (takeOrQueue(waiter))
        return Hold(this);
    for (;;) {
        if (waiter.wake.wait_for(lock, std::chrono::milliseconds(kCancelSliceMs),
                                 [&] { return waiter.handed; }))
            return Hold(this);
        if (cancel && cancel->load()) {
            leaveLine(waiter);
            return Hold();
        }
    }
}

size_t HandshakeLock::Waiting() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_line.size();
}

bool HandshakeLock::InUse() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_held || !m_line.empty();
}

void HandshakeLock::release()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_line.empty()) {
        m_held = false;
        return;
    }
    // Straight to the first in line: the lock stays held, so nobody else can take it first.
    // The waiter is told under the mutex, since it may leave (and its signal end) as soon as
    // it can look; for the same reason its first steps run here, before it can look.
    Waiter* next = m_line.front();
    m_line.pop_front();
    next->handed = true;
    if (next->onHandedOver)
        (*next->onHandedOver)();
    if (next->signal)
        next->signal->set();
    else
        next->wake.notify_one();
}

} // namespace typestone
