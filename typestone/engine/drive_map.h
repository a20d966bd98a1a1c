#pragma once
// Host names of local files ("C:\PDF\OUT.PDF") to names on this machine, through a configured
// table of drive letters to folders. A name maps only when its drive is in the table and it
// stays inside that drive's folder: ".." that climbs out, a symbolic link inside the folder
// that leads out or leads nowhere yet, an empty name, a name with a NUL or a name longer than
// a host can send (kMaxHostName) is refused.

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace typestone {

// The longest local file name a host sends (its names pass through 260-byte buffers).
inline constexpr size_t kMaxHostName = 259;
// The longest file name a folder here takes.
inline constexpr size_t kMaxFileName = 255;

// The last part of a host's file name ("OUT.PDF" of "C:\PDF\OUT.PDF"), for a file of that name
// in a folder of our own; empty when there is none that can be used safely there (empty, "."
// or "..", a control character, longer than kMaxFileName).
std::string hostFileName(const std::string& hostName);

class DriveMap
{
public:
    // Maps `drive` (a letter, either case) to `folder` (made absolute).
    void add(char drive, const std::string& folder);
    bool empty() const { return m_folders.empty(); }

    // The local name, or nullopt when the name cannot be mapped or leaves its folder.
    std::optional<std::string> map(const std::string& hostName) const;

    // Makes the folders of `local` (a name map() gave) that do not exist yet, from its drive's
    // folder down, private to this user: a drive's folder and the folders a host names in it
    // are made when a file is first written there. False with the reason when they cannot be
    // made or the folder made does not stay inside its drive's folder.
    bool makeFolderFor(const std::string& local, std::string* error) const;

    // The drives and their folders, letters upper case.
    const std::map<char, std::string>& folders() const { return m_folders; }

private:
    std::map<char, std::string> m_folders;
};

} // namespace typestone
