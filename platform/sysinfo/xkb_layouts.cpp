#include "platform/sysinfo/xkb_layouts.h"

#include <fstream>
#include <sstream>

namespace platform::sysinfo {
namespace {

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// A shell value: a quoted text up to its closing quote, else the word up to a blank or comment.
std::string shellValue(const std::string& raw)
{
    const std::string v = trimmed(raw);
    if (!v.empty() && (v.front() == '"' || v.front() == '\'')) {
        const auto close = v.find(v.front(), 1);
        return v.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    const auto end = v.find_first_of(" \t#");
    return v.substr(0, end);
}

} // namespace

std::vector<std::string> parseXkbLayouts(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    std::string value;
    bool found = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string t = trimmed(line);
        if (t.rfind("export ", 0) == 0)
            t = trimmed(t.substr(7));
        static const std::string key = "XKBLAYOUT=";
        if (t.rfind(key, 0) != 0)
            continue;
        value = shellValue(t.substr(key.size()));
        found = true;
    }
    std::vector<std::string> layouts;
    if (!found)
        return layouts;
    std::istringstream names(value);
    std::string name;
    while (layouts.size() < kMaxXkbLayouts && std::getline(names, name, ',')) {
        name = trimmed(name);
        if (!name.empty() && name.size() <= kMaxXkbLayoutName)
            layouts.push_back(name);
    }
    return layouts;
}

std::vector<std::string> xkbLayouts(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text(kMaxKeyboardFileSize + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > kMaxKeyboardFileSize)
        return {};
    text.resize(got);
    return parseXkbLayouts(text);
}

} // namespace platform::sysinfo
