#include "typestone/server/version.h"

#include "typestone/server/server_strings.h"

#include <cstdio>

std::string& FormatVersion(std::string& out)
{
    char major[16];
    char minor[16];
    std::snprintf(major, sizeof major, "%d", typestone::kVersionMajor);
    std::snprintf(minor, sizeof minor, "%02d", typestone::kVersionMinor);
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
    char tail[96];
    std::snprintf(tail, sizeof tail, ".%02d [%s - %s] ", typestone::kVersionRelease, __DATE__, __TIME__);
    out += tail;
    return out;
}
