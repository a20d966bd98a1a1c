#include "klv_inet/support/size_format.h"

#include "klv_inet/support/intl_settings.h"

#include <cstdio>

std::string FormatSize(const char* unit, uint64_t value, uint64_t basis, int decimals)
{
    const std::string u = unit ? unit : "";
    const uint64_t b = basis ? basis : value;
    const char sep = klv::decimalSeparator();
    char buf[128];
    const unsigned long long v = value;
    if (b <= 1024) {
        std::snprintf(buf, sizeof buf, "%llu %s", v, u.c_str());
        return buf;
    }
    const bool kilo = b <= 1048576;
    const std::string scaled = u.empty() ? std::string() : std::string(1, kilo ? 'K' : 'M') + u;
    if (kilo) {
        unsigned long long tenth = (v & 1023) / 100;
        if (tenth > 9)
            tenth = 9;
        if (decimals)
            std::snprintf(buf, sizeof buf, "%llu%c%llu %s", v >> 10, sep, tenth, scaled.c_str());
        else
            std::snprintf(buf, sizeof buf, "%llu %s", v >> 10, scaled.c_str());
    } else {
        const unsigned long long thousandths = ((v & 0xFFFFF) * 1000) >> 20;
        if (decimals)
            std::snprintf(buf, sizeof buf, "%llu%c%03llu %s", v >> 20, sep, thousandths, scaled.c_str());
        else
            std::snprintf(buf, sizeof buf, "%llu %s", v >> 20, scaled.c_str());
    }
    return buf;
}
