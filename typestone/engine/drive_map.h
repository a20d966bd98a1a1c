#pragma once
// Host names of local files ("C:\PDF\OUT.PDF") to names on this machine, through a configured
// table of drive letters to folders. A name maps only when its drive is in the table and it
// stays inside that drive's folder: ".." that climbs out, a symbolic link inside the folder
// that leads out or leads nowhere yet, an empty name or a name with a NUL is refused.

#include <map>
#include <optional>
#include <string>

namespace typestone {

class DriveMap
{
public:
    // Maps `drive` (a letter, either case) to `folder` (made absolute).
    void add(char drive, const std::string& folder);
    bool empty() const { return m_folders.empty(); }

    // The local name, or nullopt when the name cannot be mapped or leaves its folder.
    std::optional<std::string> map(const std::string& hostName) const;

private:
    std::map<char, std::string> m_folders;
};

} // namespace typestone
