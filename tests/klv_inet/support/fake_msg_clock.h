#pragma once
// A clock the test moves by hand.

#include "klv_inet/support/msg_clock.h"

class FakeMsgClock : public klv::MsgClock
{
public:
    uint64_t tickMs() const override { return tick; }
    time_t now() const override { return wall; }
    void advanceMs(uint64_t ms)
    {
        tick += ms;
        wall = start + static_cast<time_t>((tick - tickStart) / 1000);
    }

    static constexpr uint64_t tickStart = 5'000'000;
    static constexpr time_t start = 1'700'000'000;
    uint64_t tick = tickStart;
    time_t wall = start;
};
