#include "klv_inet/support/date_version_format.h"

#include "klv_inet/support/intl_settings.h"

#include <cstdio>

std::string& FmtDateStr(time_t t, std::string& out, int withYear)
{
    const char digit = klv::dateOrderDigit();
    std::string pattern = (digit == '0' || digit < '0' || digit > '9') ? "%m/%d" : "%d/%m";
    if (withYear)
        pattern += "/%Y";
    std::tm tmv{};
    char buf[64] = {};
    if (localtime_r(&t, &tmv))
        std::strftime(buf, sizeof buf, pattern.c_str(), &tmv);
    out = buf;
    return out;
}

std::string& FmtVersionStr(uint32_t version, std::string& out)
{
    char buf[48];
    if (version < 10000)
        std::snprintf(buf, sizeof buf, "%u.%02u.%02u", version / 100, version % 100, 0u);
    else
        std::snprintf(buf, sizeof buf, "%u.%02u.%02u", version / 10000, (version / 100) % 100, version % 100);
    out = buf;
    return out;
}
