#include "typestone/server/path_fit.h"

namespace typestone {

std::string FitPath(const platform::draw::Dc& dc, const platform::draw::Rect& rect, const std::string& text,
                    char separator)
{
    const auto fits = [&](const std::string& t) { return dc.textExtent(t).width <= rect.width(); };
    if (separator == '\0' || fits(text))
        return text;
    const size_t first = text.find(separator);
    if (first == std::string::npos)
        return text;
    const std::string head = text.substr(0, first + 1) + "...";
    std::string rest;
    size_t next = text.find(separator, first + 1);
    if (next == std::string::npos) {
        rest = text.substr(first + 1);
    } else {
        for (;;) {
            rest = text.substr(next);
            if (fits(head + rest))
                return head + rest;
            const size_t later = text.find(separator, next + 1);
            if (later == std::string::npos)
                break;
            next = later;
        }
    }
    while (!rest.empty() && !fits(head + rest))
        rest.erase(0, 1);
    return head + rest;
}

} // namespace typestone
