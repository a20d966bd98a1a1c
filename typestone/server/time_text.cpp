#include "typestone/server/time_text.h"

#include <cstdio>

namespace typestone {

std::string SecondsToText(uint32_t seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", seconds / 3600, (seconds / 60) % 60, seconds % 60);
    return buffer;
}

} // namespace typestone
