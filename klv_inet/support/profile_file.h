#pragma once
// A reader of initialization-style text files ("[section]" headers, lines below them) with
// the size limits of the profile functions it stands in for (internal).

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace klv {

class ProfileFile
{
public:
    // The largest text the section names, or the lines of one section, may take together.
    static constexpr size_t kLimit = 131072;

    // Reads the file; nullopt when it cannot be read. A file larger than 64 MiB is refused.
    static std::optional<ProfileFile> load(const std::string& path);

    // Section names in file order (the first of equal names, without regard to case); nullopt
    // when they do not fit the limit.
    std::optional<std::vector<std::string>> sectionNames() const;

    // The non-empty lines of the section (all sections of that name, without regard to case),
    // comments (';') left out; nullopt when they do not fit the limit.
    std::optional<std::vector<std::string>> sectionLines(const std::string& name) const;

private:
    // Sections of equal names (without regard to case) are kept as one, under the first
    // spelling and with their lines in file order, so that a file of many sections is not
    // searched once per section.
    struct Section
    {
        std::string name;
        std::vector<std::string> lines;
    };
    std::vector<Section> m_sections;
    std::unordered_map<std::string, size_t> m_index; // folded name -> m_sections position
};

} // namespace klv
