#include "typestone/server/transfer_strings.h"

#include "typestone/server/server_strings.h"

#include <vector>

namespace typestone {

std::string transferString(unsigned id, const char* fallback)
{
    std::string text;
    if (serverStringLookup(id, &text) && !text.empty())
        return text;
    return fallback;
}

std::string fillPlaceholders(const std::string& pattern, std::initializer_list<std::string> values)
{
    const std::vector<std::string> list(values);
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const size_t n = size_t(pattern[i + 1] - '1');
            if (n < list.size()) {
                out += list[n];
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

} // namespace typestone
