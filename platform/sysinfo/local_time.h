#pragma once
// The wall-clock time of this machine in its own time zone, broken down into its fields.

namespace platform::sysinfo {

struct LocalTime
{
    int year = 1970; // four digits
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int weekday = 4; // 0 Sunday .. 6 Saturday
    int hour = 0;    // 0..23
    int minute = 0;
    int second = 0;
};

// Now, in the machine's time zone (TZ, else /etc/localtime).
LocalTime localNow();

} // namespace platform::sysinfo
