#include "platform/sysinfo/session_id.h"

#include <fstream>

namespace platform::sysinfo {

uint32_t parseSessionId(const std::string& text)
{
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == ' '))
        --end;
    if (end == 0 || end > 10)
        return 0;
    uint64_t v = 0;
    for (size_t i = 0; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        v = v * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    return v >= 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(v);
}

uint32_t sessionId(const std::string& path)
{
    std::ifstream in(path);
    std::string text;
    if (!in || !std::getline(in, text))
        return 0;
    return parseSessionId(text);
}

} // namespace platform::sysinfo
