#include "typestone/engine/host_text.h"

#include "platform/charset/host_charset.h"

#include <cstring>

namespace typestone {

namespace {

const platform::charset::ByteTable& tableOf(int mode)
{
    return mode == kHostTextAnsi ? platform::charset::hostToAnsiTable() : platform::charset::hostToOemTable();
}

} // namespace

std::string HostStrToAnsi(std::string_view host, std::size_t room, int mode)
{
    if (const std::size_t nul = host.find('\0'); nul != std::string_view::npos)
        host = host.substr(0, nul);
    const auto& table = tableOf(mode);
    std::string out;
    if (room == 0) {
        out.resize(host.size());
        for (std::size_t i = 0; i < host.size(); ++i)
            out[i] = static_cast<char>(table[static_cast<unsigned char>(host[i])]);
        return out;
    }
    const std::size_t limit = room - 1;
    out.reserve(std::min(limit, host.size() * 2));
    for (const char c : host) {
        const char converted = static_cast<char>(table[static_cast<unsigned char>(c)]);
        // The host's carriage return ends a line; the page wants the line feed with it.
        const bool lineEnd = c == '\r';
        if (out.size() + (lineEnd ? 2 : 1) > limit)
            break;
        out += converted;
        if (lineEnd)
            out += '\n';
    }
    return out;
}

char* HostStrToAnsi(char* text, std::size_t room, int mode)
{
    if (text == nullptr)
        return text;
    const std::size_t length = room == 0 ? std::strlen(text) : strnlen(text, room);
    const std::string converted = HostStrToAnsi(std::string_view(text, length), room, mode);
    // The converted text is never longer than room - 1, so it and its zero fit the buffer.
    std::memcpy(text, converted.data(), converted.size());
    text[converted.size()] = '\0';
    return text;
}

std::string& HostCStrToAnsi(std::string& text, int mode)
{
    text = HostStrToAnsi(text, text.size() * 2 + 1, mode);
    return text;
}

} // namespace typestone
