#include "typestone/server/version.h"

#include "typestone/server/server_strings.h"

#include "platform/text/sprintf.h"
#include <cstdio>

std::string& FormatVersion(std::string& out)
{
    const std::string major = platform::text::sprintf("%d", typestone::kVersionMajor);
    const std::string minor = platform::text::sprintf("%02d", typestone::kVersionMinor);
    const std::string pattern = typestone::serverString(typestone::kStrVersion);
    if (pattern.empty()) {
        out = std::string(major) + "." + minor;
    } else {
        // The table's pattern takes the numbers as %1 and %2.
        out.clear();
        for (size_t i = 0; i < pattern.size(); ++i) {
            if (pattern[i] == '%' && i + 1 < pattern.size() &&
                (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
                out += pattern[i + 1] == '1' ? major : minor;
                ++i;
            } else {
                out += pattern[i];
            }
        }
    }
    out += platform::text::sprintf(".%02d [%s - %s] ", typestone::kVersionRelease, __DATE__, __TIME__);
    return out;
}
