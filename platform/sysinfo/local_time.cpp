#include "platform/sysinfo/local_time.h"

#include <ctime>
#include <time.h>

namespace platform::sysinfo {

LocalTime localNow()
{
    const std::time_t now = std::time(nullptr);
    struct tm parts
    {
    };
    LocalTime t;
    // localtime_r: jobs on several threads ask at the same time.
    if (localtime_r(&now, &parts) == nullptr)
        return t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.weekday = parts.tm_wday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    return t;
}

} // namespace platform::sysinfo
