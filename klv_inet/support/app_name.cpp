#include "klv_inet/support/app_name.h"

#include "platform/sysinfo/process_info.h"

#include <mutex>

namespace {

std::mutex& nameLock()
{
    static std::mutex m;
    return m;
}

std::string& nameSlot()
{
    static std::string name;
    return name;
}

std::string defaultName()
{
    std::string n = platform::sysinfo::executableBaseName();
    return n.empty() ? std::string("Typestone") : n;
}

} // namespace

void SetAppName(const char* name)
{
    std::lock_guard<std::mutex> g(nameLock());
    nameSlot() = (name && *name) ? std::string(name) : std::string();
}

std::string GetAppName()
{
    {
        std::lock_guard<std::mutex> g(nameLock());
        if (!nameSlot().empty())
            return nameSlot();
    }
    return defaultName();
}
