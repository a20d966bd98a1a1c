#include "typestone/server/app_text.h"

#include "platform/text/sprintf.h"
#include <cstdio>
#include <cstring>

namespace typestone {

char* TrimBlanks(char* text)
{
    if (!text)
        return text;
    size_t begin = 0;
    size_t end = std::strlen(text);
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    std::memmove(text, text + begin, end - begin);
    text[end - begin] = '\0';
    return text;
}

std::string& TrimBlanks(std::string& text)
{
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) {
        text.clear();
        return text;
    }
    text.erase(text.find_last_not_of(' ') + 1);
    text.erase(0, begin);
    return text;
}

bool IsOneChar(const std::string& text, char c)
{
    return text.size() == 1 && text[0] == c;
}

char* CopyName(char* out, const char* text)
{
    if (!out)
        return out;
    out[0] = '\0';
    return AppendName(out, text);
}

char* AppendName(char* out, const char* text)
{
    if (!out || !text)
        return out;
    const size_t used = strnlen(out, kNameBufferSize - 1);
    const size_t room = kNameBufferSize - 1 - used;
    const size_t n = strnlen(text, room);
    std::memcpy(out + used, text, n);
    out[used + n] = '\0';
    return out;
}

std::string& ErrorText(std::string& out, const char* operation, int error)
{
    const std::string text = platform::text::sprintf("\nError=%u (0x%08x)-%s", unsigned(error),
                                                     unsigned(error), std::strerror(error));
    out = (operation && *operation) ? std::string(operation) + text : text;
    return out;
}

int64_t CurrentTime()
{
    return int64_t(std::time(nullptr));
}

int64_t CheckHostDate(int64_t* date)
{
    if (!date)
        return CurrentTime();
    bool plausible = *date >= 0;
    if (plausible) {
        const std::time_t t = std::time_t(*date);
        std::tm local{};
        plausible = localtime_r(&t, &local) != nullptr && local.tm_year + 1900 >= 1980 && local.tm_mon >= 0 &&
                    local.tm_mon <= 11 && local.tm_mday >= 1 && local.tm_mday <= 31;
    }
    if (!plausible)
        *date = CurrentTime();
    return *date;
}

} // namespace typestone
