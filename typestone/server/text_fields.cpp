#include "typestone/server/text_fields.h"

#include <vector>

namespace typestone {

std::string fillFields(const std::string& pattern, std::initializer_list<std::string> values)
{
    const std::vector<std::string> v(values);
    size_t next = 0;
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            out += pattern[i];
            continue;
        }
        if (pattern[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < pattern.size() &&
               (pattern[j] == '-' || pattern[j] == '0' || (pattern[j] >= '1' && pattern[j] <= '9')))
            ++j;
        while (j < pattern.size() && pattern[j] == 'l')
            ++j;
        if (j < pattern.size() &&
            (pattern[j] == 's' || pattern[j] == 'd' || pattern[j] == 'u' || pattern[j] == 'c')) {
            out += next < v.size() ? v[next] : std::string();
            ++next;
            i = j;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

} // namespace typestone
