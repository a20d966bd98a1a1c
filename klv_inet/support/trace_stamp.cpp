#include "klv_inet/support/trace_stamp.h"

#include "klv_inet/support/msg_clock.h"
#include "platform/text/sprintf.h"

#include <atomic>
#include <cstdio>

namespace klv {
namespace {

std::string formatLocal(time_t t, const char* format)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    const size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

} // namespace

std::string traceTimeStamp(time_t t, uint64_t tickMs)
{
    return formatLocal(t, "%d-%m-%Y (%H:%M:%S") +
           platform::text::sprintf(":%03u)", static_cast<unsigned>(tickMs % 1000));
}

std::string traceTimeStamp()
{
    const MsgClock& clock = MsgClock::system();
    return traceTimeStamp(clock.now(), clock.tickMs());
}

std::string traceDate(time_t t)
{
    return formatLocal(t, "%d-%m-%Y (%H:%M:%S)");
}

std::string traceThreadTag()
{
    static std::atomic<uint32_t> next{1};
    thread_local const uint32_t number = next.fetch_add(1);
    return platform::text::sprintf("%08X", number);
}

} // namespace klv
