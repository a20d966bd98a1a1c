#include "klv_inet/support/library_text.h"

#include "klv_inet/support/msg_strings.h"

#include <vector>

namespace klv {

std::string formatFields(const std::string& pattern, std::initializer_list<std::string> args)
{
    std::vector<std::string> a(args);
    size_t next = 0;
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            out += pattern[i];
            continue;
        }
        size_t j = i + 1;
        if (j < pattern.size() && pattern[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        bool zero = false;
        if (j < pattern.size() && pattern[j] == '0') {
            zero = true;
            ++j;
        }
        size_t width = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 100)
            width = width * 10 + static_cast<size_t>(pattern[j++] - '0');
        while (j < pattern.size() && pattern[j] == 'l')
            ++j;
        if (j >= pattern.size()) {
            out += pattern.substr(i);
            break;
        }
        const char conv = pattern[j];
        if (conv != 's' && conv != 'u' && conv != 'd' && conv != 'c') {
            out += pattern.substr(i, j - i + 1);
            i = j;
            continue;
        }
        std::string v = next < a.size() ? a[next] : std::string();
        ++next;
        if (v.size() < width)
            v.insert(0, width - v.size(), zero && conv != 's' ? '0' : ' ');
        out += v;
        i = j;
    }
    return out;
}

std::string formatLibraryString(unsigned id, std::initializer_list<std::string> args)
{
    return formatFields(messageString(id), args);
}

} // namespace klv
