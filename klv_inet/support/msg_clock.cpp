#include "klv_inet/support/msg_clock.h"

#include <chrono>

namespace klv {
namespace {

class SystemClock final : public MsgClock
{
public:
    uint64_t tickMs() const override
    {
        using namespace std::chrono;
        return static_cast<uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    time_t now() const override { return std::time(nullptr); }
};

} // namespace

MsgClock::~MsgClock() = default;

MsgClock& MsgClock::system()
{
    static SystemClock clock;
    return clock;
}

} // namespace klv
