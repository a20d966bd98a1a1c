#pragma once
// A clock for the host file link's tests: every reading moves it on by `step` ms, and a sleep
// moves it on by the time slept without waiting. A 32-second answer time then passes in a few
// real polls of the link.

#include "typestone/server/packet_clock.h"

#include <atomic>

namespace valdor {

class FakePacketClock final : public typestone::PacketClock
{
public:
    explicit FakePacketClock(int64_t step = 0) : m_step(step) {}
    int64_t nowMs() override { return m_now.fetch_add(m_step) + m_step; }
    void sleepMs(int ms) override
    {
        if (ms > 0) {
            m_now += ms;
            m_slept += ms;
        }
    }
    void advance(int64_t ms) { m_now += ms; }
    int64_t peek() const { return m_now; }
    int64_t slept() const { return m_slept; }

private:
    std::atomic<int64_t> m_now{1000000};
    std::atomic<int64_t> m_slept{0};
    int64_t m_step;
};

} // namespace valdor
