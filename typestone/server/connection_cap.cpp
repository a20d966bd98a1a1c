#include "typestone/server/connection_cap.h"

#include "typestone/server/general_settings.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace typestone {

size_t ConnectionCapForLimit(uint64_t softLimit)
{
    if (softLimit <= kReservedDescriptors + kDescriptorsPerConnection)
        return 1;
    const uint64_t room = (softLimit - kReservedDescriptors) / kDescriptorsPerConnection;
    return size_t(std::min<uint64_t>(room, kMaxConnectionsCeiling));
}

size_t LoadMaxConnections(uint64_t softLimit, bool* lowered)
{
    const size_t fits = ConnectionCapForLimit(softLimit);
    if (lowered)
        *lowered = false;
    std::string text;
    if (!GetTrimmedCfg("MaxConnections", &text))
        return fits;
    const char* begin = text.data();
    const char* end = begin + text.size();
    uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec == std::errc::result_out_of_range && ptr == end)
        value = UINT64_MAX; // all digits, only too many: as large as can be
    else if (ec != std::errc() || ptr != end || value == 0)
        return fits;
    if (value > fits) {
        if (lowered)
            *lowered = true;
        return fits;
    }
    return size_t(value);
}

} // namespace typestone
