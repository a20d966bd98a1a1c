#include "platform/draw/face_names.h"

#include <cctype>

namespace platform::draw {

namespace {

bool sameChar(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && sameFaceName(text.substr(0, prefix.size()), prefix);
}

} // namespace

bool sameFaceName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (!sameChar(a[i], b[i])) {
            return false;
        }
    }
    return true;
}

bool containsFaceName(std::string_view text, std::string_view part)
{
    if (part.size() > text.size()) {
        return false;
    }
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (sameFaceName(text.substr(i, part.size()), part)) {
            return true;
        }
    }
    return false;
}

bool isLineDrawFaceName(std::string_view name)
{
    return startsWith(name, "Video Terminal") || startsWith(name, "MS LineDraw") ||
           containsFaceName(name, "PLM WorkStation");
}

} // namespace platform::draw
