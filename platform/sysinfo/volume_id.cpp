#include "platform/sysinfo/volume_id.h"

#include <sys/statvfs.h>

namespace platform::sysinfo {

uint32_t volumeSerial(const std::string& path)
{
    struct statvfs st
    {
    };
    if (path.empty() || statvfs(path.c_str(), &st) != 0)
        return 0;
    return static_cast<uint32_t>(st.f_fsid & 0xFFFFFFFFu);
}

} // namespace platform::sysinfo
