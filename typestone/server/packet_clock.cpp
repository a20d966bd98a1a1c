#include "typestone/server/packet_clock.h"

#include <chrono>
#include <thread>

namespace typestone {
namespace {

class SteadyPacketClock final : public PacketClock
{
public:
    int64_t nowMs() override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleepMs(int ms) override
    {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

} // namespace

PacketClock& PacketClock::Steady()
{
    static SteadyPacketClock clock;
    return clock;
}

} // namespace typestone
