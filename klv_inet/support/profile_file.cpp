#include "klv_inet/support/profile_file.h"

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

std::string folded(const std::string& s)
{
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
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
    size_t current = 0;
    bool inSection = false;
    while (std::getline(in, line)) {
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == ';')
            continue;
        if (t[0] == '[') {
            // The last ']' ends the name, so that a key name holding one reads back whole.
            const auto close = t.rfind(']');
            std::string name = t.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            const auto [it, added] = f.m_index.emplace(folded(name), f.m_sections.size());
            if (added)
                f.m_sections.push_back(Section{std::move(name), {}});
            current = it->second;
            inSection = true;
            continue;
        }
        if (inSection)
            f.m_sections[current].lines.push_back(t);
    }
    return f;
}

std::optional<std::vector<std::string>> ProfileFile::sectionNames() const
{
    std::vector<std::string> names;
    size_t total = 0;
    for (const auto& s : m_sections) {
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
    const auto it = m_index.find(folded(name));
    if (it == m_index.end())
        return lines;
    for (const auto& l : m_sections[it->second].lines) {
        total += l.size() + 1;
        if (total + 2 > kLimit)
            return std::nullopt;
        lines.push_back(l);
    }
    return lines;
}

} // namespace klv
