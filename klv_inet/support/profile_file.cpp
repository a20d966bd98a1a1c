#include "klv_inet/support/profile_file.h"

#include "klv_inet/support/text_compare.h"

#include <fstream>
#include <sstream>

namespace klv {
namespace {

constexpr std::streamoff kMaxFile = 64ll * 1024 * 1024;

std::string trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

} // namespace

std::optional<ProfileFile> ProfileFile::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size < 0 || size > kMaxFile)
        return std::nullopt;
    in.seekg(0);
    ProfileFile f;
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == ';')
            continue;
        if (t[0] == '[') {
            const auto close = t.find(']');
            f.m_sections.push_back(
                Section{t.substr(1, close == std::string::npos ? std::string::npos : close - 1), {}});
            current = &f.m_sections.back();
            continue;
        }
        if (current)
            current->lines.push_back(t);
    }
    return f;
}

std::optional<std::vector<std::string>> ProfileFile::sectionNames() const
{
    std::vector<std::string> names;
    size_t total = 0;
    for (const auto& s : m_sections) {
        bool seen = false;
        for (const auto& n : names)
            seen = seen || equalsNoCase(n, s.name);
        if (seen)
            continue;
        total += s.name.size() + 1;
        if (total + 2 > kLimit)
            return std::nullopt;
        names.push_back(s.name);
    }
    return names;
}

std::optional<std::vector<std::string>> ProfileFile::sectionLines(const std::string& name) const
{
    std::vector<std::string> lines;
    size_t total = 0;
    for (const auto& s : m_sections) {
        if (!equalsNoCase(s.name, name))
            continue;
        for (const auto& l : s.lines) {
            total += l.size() + 1;
            if (total + 2 > kLimit)
                return std::nullopt;
            lines.push_back(l);
        }
    }
    return lines;
}

} // namespace klv
