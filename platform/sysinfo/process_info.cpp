#include "platform/sysinfo/process_info.h"

#include <climits>
#include <unistd.h>

namespace platform::sysinfo {

std::string executablePath()
{
    char buf[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string executableBaseName()
{
    std::string p = executablePath();
    const auto slash = p.rfind('/');
    if (slash != std::string::npos)
        p.erase(0, slash + 1);
    const auto dot = p.rfind('.');
    if (dot != std::string::npos && dot > 0)
        p.erase(dot);
    return p;
}

} // namespace platform::sysinfo
