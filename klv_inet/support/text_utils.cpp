#include "klv_inet/support/text_utils.h"

#include <cstdio>

#include <cstdlib>
#include <cstring>

char* AuxStrDup(const char* text, const char*, int)
{
    if (!text)
        return nullptr;
    const size_t n = std::strlen(text);
    auto* copy = static_cast<char*>(std::calloc(n + 1, 1));
    if (copy)
        std::memcpy(copy, text, n);
    return copy;
}

int ExtractFromStr(const std::string& text, const char* key, std::string& out)
{
    if (!key || !*key)
        return 0;
    out.clear();
    const auto at = text.find(key);
    if (at == std::string::npos)
        return 0;
    const auto from = at + std::strlen(key);
    const auto comma = text.find(',', from);
    out = text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    return 1;
}

std::string& ConvertLF_To_CRLF(std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    text = std::move(out);
    return text;
}

std::string FormatV(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0)
        return {};
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
    return out;
}
