#include "platform/sysinfo/descriptor_limit.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/resource.h>

namespace platform::sysinfo {
namespace {

uint64_t fromRlim(rlim_t value)
{
    return value == RLIM_INFINITY ? kUnlimited : uint64_t(value);
}

// The most descriptors one process may have (fs.nr_open); an unlimited hard limit cannot be
// taken as the soft one.
uint64_t kernelCeiling()
{
    std::ifstream in("/proc/sys/fs/nr_open");
    uint64_t value = 0;
    if (in >> value && value > 0)
        return value;
    return 1048576; // the kernel's default
}

} // namespace

std::optional<DescriptorLimit> descriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return std::nullopt;
    return DescriptorLimit{fromRlim(limit.rlim_cur), fromRlim(limit.rlim_max)};
}

std::optional<DescriptorLimit> raiseDescriptorLimit(std::string* error)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        if (error)
            *error = std::string("getrlimit: ") + std::strerror(errno);
        return std::nullopt;
    }
    rlim_t wanted = limit.rlim_max;
    if (wanted == RLIM_INFINITY)
        wanted = rlim_t(kernelCeiling());
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        rlimit raised = limit;
        raised.rlim_cur = wanted;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit.rlim_cur = wanted;
        else if (error)
            *error = std::string("setrlimit: ") + std::strerror(errno);
    }
    return DescriptorLimit{fromRlim(limit.rlim_cur), fromRlim(limit.rlim_max)};
}

} // namespace platform::sysinfo
