#include "klv_inet/support/name_pattern.h"

#include "klv_inet/support/text_compare.h"

#include <string_view>

namespace klv {

int matchNamePattern(const char* name, const char* const* patterns)
{
    if (!name || !patterns)
        return 0;
    std::string_view n = name;
    const auto slash = n.rfind('\\');
    if (slash != std::string_view::npos)
        n.remove_prefix(slash + 1);
    for (const char* const* p = patterns; *p && **p; ++p) {
        const std::string_view pat = *p;
        const auto star = pat.find('*');
        if (star == std::string_view::npos) {
            if (equalsNoCase(n, pat))
                return 1;
            continue;
        }
        const auto before = pat.substr(0, star);
        const auto after = pat.substr(star + 1);
        if (after.size() < n.size() && startsWithNoCase(n, before) && endsWithNoCase(n, after))
            return 1;
    }
    return 0;
}

bool skippedByLists(const char* name, const char* const* exclude, const char* const* include)
{
    if (include && !matchNamePattern(name, include))
        return true;
    return exclude && matchNamePattern(name, exclude);
}

} // namespace klv
