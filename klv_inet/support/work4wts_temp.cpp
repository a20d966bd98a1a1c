// The per-session temporary folder of CWork4WTS.
#include "klv_inet/support/work4wts.h"

#include "klv_inet/support/path_utils.h"

#include "platform/folders/folders.h"

#include <cstring>

bool CWork4WTS::SubDir4WTSClient(std::string& path)
{
    uint32_t id = 0;
    if (!GetSessionId(&id))
        return false;
    std::string p = path;
    EndingBSlash(p, 1, '/');
    p += "WTS_" + std::to_string(id);
    if (!platform::folders::ensurePrivateDir(p))
        return false;
    path = p + "/";
    return true;
}

char* CWork4WTS::SubDir4WTSClient(char* path, size_t capacity)
{
    if (!path)
        return path;
    std::string p(path, strnlen(path, capacity));
    if (p.size() >= capacity || !SubDir4WTSClient(p) || p.size() >= capacity)
        return path;
    std::memcpy(path, p.c_str(), p.size() + 1);
    return path;
}

uint32_t CWork4WTS::GetTempPathA(uint32_t size, char* buffer)
{
    const std::string p = GetSessionTempPath();
    if (p.empty() || !buffer || p.size() >= size)
        return 0;
    std::memcpy(buffer, p.c_str(), p.size() + 1);
    return static_cast<uint32_t>(p.size());
}

std::string GetSessionTempPath()
{
    std::string p = platform::folders::systemTempDir();
    EndingBSlash(p, 1, '/');
    uint32_t id = 0;
    if (!CWork4WTS::GetSessionId(&id))
        return p; // no session information: the plain temporary folder
    return CWork4WTS::SubDir4WTSClient(p) ? p : std::string();
}

char* GetSessionTempPath(char* buffer, size_t capacity)
{
    if (buffer && capacity > 0) {
        const uint32_t cap = capacity > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(capacity);
        CWork4WTS::GetTempPathA(cap, buffer);
    }
    return buffer;
}
