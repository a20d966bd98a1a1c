#pragma once
// printf-style formatting into a std::string of any length. The format keeps printf's meaning
// (flags, width, precision, length modifiers); the arguments are checked by their types, so a
// std::string may stand where %s expects text. A format that does not fit its arguments gives
// the format itself back rather than failing.

#include <fmt/printf.h>

#include <string>

namespace platform::text {

template <typename... Args> std::string sprintf(const char* format, const Args&... args)
{
    if (format == nullptr)
        return {};
    try {
        return fmt::sprintf(format, args...);
    } catch (const std::exception&) {
        return format;
    }
}

} // namespace platform::text
