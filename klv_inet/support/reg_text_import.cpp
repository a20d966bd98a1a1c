// Import of registry text files.
#include "klv_inet/support/reg_text.h"

#include "klv_inet/support/name_pattern.h"
#include "klv_inet/support/profile_file.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/text_compare.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

struct RootPrefix
{
    std::string_view name;
    platform::RegRoot root;
};

constexpr RootPrefix kRoots[] = {
    {"HKEY_CURRENT_USER", platform::RegRoot::CurrentUser},
    {"HKEY_USERS", platform::RegRoot::Users},
    {"HKEY_LOCAL_MACHINE", platform::RegRoot::LocalMachine},
    {"HKEY_CLASSES_ROOT", platform::RegRoot::ClassesRoot},
};

// Root and key of a section name: a known root name (and the '\' after it) is stripped; a
// name without a root is a key under Users; any other "HKEY_" name is refused.
std::optional<std::pair<platform::RegRoot, std::string>> sectionKey(const std::string& section)
{
    for (const auto& r : kRoots) {
        if (!klv::startsWithNoCase(section, r.name))
            continue;
        std::string key = section.substr(r.name.size());
        if (key.empty())
            return std::make_pair(r.root, key);
        if (key[0] != '\\')
            continue;
        return std::make_pair(r.root, key.substr(1));
    }
    if (klv::startsWithNoCase(section, "HKEY_"))
        return std::nullopt;
    return std::make_pair(platform::RegRoot::Users, section);
}

// A quoted text from `pos` (just after the opening quote) to the closing quote, with "\\" and
// "\"" unescaped; `pos` ends after the closing quote (or at the end).
std::string quoted(const std::string& line, size_t& pos)
{
    std::string out;
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"')
            break;
        if (c == '\\' && pos < line.size() && (line[pos] == '\\' || line[pos] == '"')) {
            out += line[pos++];
            continue;
        }
        out += c;
    }
    return out;
}

int hexValue(std::string_view s, uint64_t limit, uint64_t& out)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    if (s.empty() || s.size() > 16)
        return 0;
    uint64_t v = 0;
    for (char c : s) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            return 0;
        v = v * 16 + static_cast<uint64_t>(d);
    }
    if (v > limit)
        return 0;
    out = v;
    return 1;
}

enum class LineResult
{
    Written,
    Ignored,
    Refused
};

// A value the store did not keep (a name or key beyond its limits, a store failure) fails
// the import instead of being dropped unnoticed. A section naming only a root has no key to
// write into; its values are passed over as before.
LineResult stored(const std::string& key, const std::string& name, const void* data, size_t size,
                  uint32_t type, platform::RegRoot root)
{
    if (key.empty())
        return LineResult::Written;
    if (size > UINT32_MAX)
        return LineResult::Refused;
    return klv::writeRegistryEntry(key.c_str(), name.c_str(), data, static_cast<uint32_t>(size), type, root)
               ? LineResult::Written
               : LineResult::Refused;
}

LineResult importLine(const std::string& line, platform::RegRoot root, const std::string& key)
{
    if (line.empty() || line[0] != '"')
        return LineResult::Ignored; // the default value ("@=") and unquoted names
    size_t pos = 1;
    const std::string name = quoted(line, pos);
    const auto eq = line.find('=', pos);
    if (eq == std::string::npos)
        return LineResult::Refused;
    const std::string data = line.substr(eq + 1);
    if (!data.empty() && data[0] == '"') {
        size_t p = 1;
        const std::string text = quoted(data, p);
        return stored(key, name, text.c_str(), text.size(), KLV_REG_SZ, root);
    }
    const auto colon = data.find(':');
    if (colon == std::string::npos)
        return LineResult::Refused;
    const std::string word = data.substr(0, colon);
    const std::string rest = data.substr(colon + 1);
    if (klv::equalsNoCase(word, "dword")) {
        uint64_t v = 0;
        if (!hexValue(rest, 0xFFFFFFFFull, v))
            return LineResult::Refused;
        const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                                  static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        return stored(key, name, bytes, 4, KLV_REG_DWORD, root);
    }
    if (klv::equalsNoCase(word, "hex")) {
        std::vector<uint8_t> bytes;
        size_t start = 0;
        while (start <= rest.size() && !rest.empty()) {
            auto comma = rest.find(',', start);
            if (comma == std::string::npos)
                comma = rest.size();
            uint64_t v = 0;
            if (!hexValue(std::string_view(rest).substr(start, comma - start), 0xFF, v))
                return LineResult::Refused;
            bytes.push_back(static_cast<uint8_t>(v));
            start = comma + 1;
        }
        if (bytes.empty())
            return LineResult::Written;
        return stored(key, name, bytes.data(), bytes.size(), KLV_REG_BINARY, root);
    }
    return LineResult::Refused;
}

int importSection(const klv::ProfileFile& file, const std::string& section)
{
    const auto lines = file.sectionLines(section);
    if (!lines)
        return 0;
    auto target = sectionKey(section);
    if (!target)
        return 0;
    auto& [root, key] = *target;
    // Files of the old brand load into the new branch.
    if (const auto plm = key.find("\\PLM\\"); plm != std::string::npos)
        key.replace(plm + 1, 3, "KLV");
    for (const auto& line : *lines)
        if (importLine(line, root, key) == LineResult::Refused)
            return 0;
    return 1;
}

} // namespace

int LoadRegKey(const char* file, const char* const* exclude, const char* const* include, void*)
{
    if (!file || !*file)
        return 0;
    const auto profile = klv::ProfileFile::load(file);
    if (!profile)
        return 0;
    const auto names = profile->sectionNames();
    if (!names)
        return 0;
    for (const auto& name : *names) {
        if (klv::skippedByLists(name.c_str(), exclude, include))
            continue;
        if (!importSection(*profile, name))
            return 0;
    }
    return 1;
}

int FindOneSection(const char* file, const char* const* patterns, int wanted)
{
    if (!patterns || !file || !*file)
        return 0;
    const auto profile = klv::ProfileFile::load(file);
    if (!profile)
        return 0;
    const auto names = profile->sectionNames();
    if (!names)
        return 0;
    for (const auto& name : *names)
        if (klv::matchNamePattern(name.c_str(), patterns) == (wanted ? 1 : 0))
            return 1;
    return 0;
}
