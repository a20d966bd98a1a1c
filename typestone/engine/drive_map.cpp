#include "typestone/engine/drive_map.h"

#include "platform/folders/folders.h"

#include <cctype>
#include <filesystem>
#include <vector>

namespace typestone {

namespace fs = std::filesystem;

void DriveMap::add(char drive, const std::string& folder)
{
    std::error_code ec;
    fs::path p = fs::absolute(folder, ec);
    if (ec)
        return;
    m_folders[static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))] =
        p.lexically_normal().string();
}

namespace {

// True when `p` is `root` or lies below it (both normal, absolute).
bool isInside(const fs::path& p, const fs::path& root)
{
    auto rel = p.lexically_relative(root);
    if (rel.empty())
        return false;
    auto first = *rel.begin();
    return first != "..";
}

} // namespace

std::string hostFileName(const std::string& hostName)
{
    if (hostName.size() > kMaxHostName)
        return {};
    const size_t cut = hostName.find_last_of("\\/:");
    std::string name = cut == std::string::npos ? hostName : hostName.substr(cut + 1);
    if (name.empty() || name == "." || name == ".." || name.size() > kMaxFileName)
        return {};
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return {};
    return name;
}

std::optional<std::string> DriveMap::map(const std::string& hostName) const
{
    if (hostName.size() < 2 || hostName.size() > kMaxHostName || hostName[1] != ':' ||
        hostName.find('\0') != std::string::npos)
        return std::nullopt;
    const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(hostName[0])));
    auto it = m_folders.find(drive);
    if (it == m_folders.end())
        return std::nullopt;

    // Split the rest at either slash; ".." may not climb above the drive's root.
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&]() -> bool {
        if (part.empty() || part == ".") {
            part.clear();
            return true;
        }
        if (part == "..") {
            if (parts.empty())
                return false;
            parts.pop_back();
        } else {
            parts.push_back(part);
        }
        part.clear();
        return true;
    };
    for (size_t i = 2; i < hostName.size(); ++i) {
        const char c = hostName[i];
        if (c == '\\' || c == '/') {
            if (!flush())
                return std::nullopt;
        } else {
            part += c;
        }
    }
    if (!flush() || parts.empty())
        return std::nullopt;

    const fs::path root(it->second);
    fs::path local = root;
    for (const auto& p : parts)
        local /= p;

    // A link inside the folder may lead out of it: check the resolved folder of the name.
    std::error_code ec;
    const fs::path realRoot = fs::weakly_canonical(root, ec);
    if (ec)
        return std::nullopt;
    const fs::path realLocal = fs::weakly_canonical(local, ec);
    if (ec || !isInside(realLocal, realRoot))
        return std::nullopt;
    // The resolving above goes by the letters from the first part that does not exist, so it
    // never follows a link that leads nowhere yet, while the write creating the file would
    // follow it wherever it points. A name through such a link is refused.
    fs::path prefix = root;
    for (const auto& p : parts) {
        prefix /= p;
        std::error_code statusError;
        const auto st = fs::symlink_status(prefix, statusError);
        if (st.type() == fs::file_type::not_found)
            break;
        std::error_code existsError;
        if (fs::is_symlink(st) && !fs::exists(prefix, existsError))
            return std::nullopt;
    }
    return local.string();
}

bool DriveMap::makeFolderFor(const std::string& local, std::string* error) const
{
    const fs::path file(local);
    for (const auto& [drive, folder] : m_folders) {
        const fs::path root(folder);
        if (!isInside(file, root))
            continue;
        const fs::path parent = file.parent_path();
        std::string reason;
        if (!platform::folders::makePath(parent.string(), 0700, &reason)) {
            *error = reason;
            return false;
        }
        // Made or found: it must still lie inside the drive's folder (a link put in place of a
        // folder meanwhile would lead out).
        std::error_code ec;
        const fs::path realRoot = fs::weakly_canonical(root, ec);
        const fs::path realParent = ec ? fs::path() : fs::weakly_canonical(parent, ec);
        if (ec || !isInside(realParent, realRoot)) {
            *error = "the folder of '" + local + "' leads out of the folder of drive " + drive + ":";
            return false;
        }
        return true;
    }
    *error = "'" + local + "' lies in no drive's folder";
    return false;
}

} // namespace typestone
