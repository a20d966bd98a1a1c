#include "typestone/server/time_text.h"

#include "platform/text/sprintf.h"
#include <cstdio>

namespace typestone {

std::string SecondsToText(uint32_t seconds)
{
    return platform::text::sprintf("%02u:%02u:%02u", seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

} // namespace typestone
