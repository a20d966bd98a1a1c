#include "typestone/server/connection_cap.h"

#include "typestone/server/general_settings.h"

#include "klv_inet/support/reg_entry.h"

#include <algorithm>
#include <charconv>
#include <cstring>

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
    char buffer[32] = {};
    uint32_t size = sizeof buffer;
    if (!GetRegistryEntry(GeneralSection().c_str(), "MaxConnections", buffer, &size))
        return fits;
    buffer[sizeof buffer - 1] = '\0';
    const char* begin = buffer;
    const char* end = buffer + std::strlen(buffer);
    while (begin < end && *begin == ' ')
        ++begin;
    while (end > begin && end[-1] == ' ')
        --end;
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
