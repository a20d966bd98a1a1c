#include "klv_inet/support/path_utils.h"

#include "platform/folders/folders.h"

#include <cstring>

int LastIsBSlash(const char* path, char sep)
{
    if (!path || !*path)
        return 0;
    return path[std::strlen(path) - 1] == sep ? 1 : 0;
}

char* EndingBSlash(char* path, size_t capacity, int want, char sep)
{
    if (!path)
        return nullptr;
    const size_t len = strnlen(path, capacity);
    if (len >= capacity)
        return path; // not terminated within the capacity: leave it alone
    const bool ends = len > 0 && path[len - 1] == sep;
    if (want && !ends && len + 2 <= capacity) {
        path[len] = sep;
        path[len + 1] = '\0';
    } else if (!want && ends) {
        path[len - 1] = '\0';
    }
    return path;
}

std::string& EndingBSlash(std::string& path, int want, char sep)
{
    const bool ends = !path.empty() && path.back() == sep;
    if (want && !ends)
        path += sep;
    else if (!want && ends)
        path.pop_back();
    return path;
}

std::string& CompossePaths(std::string& out, const std::string& base, const char* tail)
{
    std::string joined = base;
    if (tail) {
        EndingBSlash(joined, tail[0] != '/', '/');
        joined += tail;
    }
    out = std::move(joined);
    return out;
}

void ExpandPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return;
    platform::folders::makePath(path.substr(0, slash), 0777);
}

std::string GetDrive(const std::string&)
{
    return "/";
}

std::string& FormFNameInAppPath(const char* name, std::string& out)
{
    const std::string n = name ? name : "";
    if (n.find('/') != std::string::npos)
        out = n;
    else
        out = platform::folders::dataDir() + "/" + n;
    return out;
}
