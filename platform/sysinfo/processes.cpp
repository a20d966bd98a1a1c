#include "platform/sysinfo/processes.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <unistd.h>

namespace platform::sysinfo {
namespace {

// The whole of a small /proc file (bounded: these files are short).
std::string readSmallFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::string();
    std::string text(4096, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

std::string bootId()
{
    static const std::string id = [] {
        std::string text = readSmallFile("/proc/sys/kernel/random/boot_id");
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        return text;
    }();
    return id;
}

// Fields of /proc/PID/stat after the command name, which may itself hold blanks and
// parentheses: everything after its last ')'.
std::vector<std::string> statFields(uint32_t pid)
{
    const std::string text = readSmallFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = text.rfind(')');
    std::vector<std::string> fields;
    if (close == std::string::npos)
        return fields;
    std::istringstream in(text.substr(close + 1));
    std::string field;
    while (in >> field)
        fields.push_back(field);
    return fields;
}

bool parsePid(const char* text, uint32_t* pid)
{
    uint64_t value = 0;
    if (!*text)
        return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return false;
        value = value * 10 + uint64_t(*text - '0');
        if (value > UINT32_MAX)
            return false;
    }
    *pid = static_cast<uint32_t>(value);
    return value != 0;
}

} // namespace

std::optional<ProcessEntry> processEntry(uint32_t pid)
{
    if (pid == 0)
        return std::nullopt;
    const std::string base = "/proc/" + std::to_string(pid);
    // Field 2 of stat (after the name) is the state, field 3 the parent.
    const std::vector<std::string> fields = statFields(pid);
    if (fields.size() < 2)
        return std::nullopt;
    ProcessEntry entry;
    entry.pid = pid;
    entry.parentPid = static_cast<uint32_t>(std::strtoul(fields[1].c_str(), nullptr, 10));
    entry.name = readSmallFile(base + "/comm");
    while (!entry.name.empty() && entry.name.back() == '\n')
        entry.name.pop_back();
    char exe[4096];
    const ssize_t n = readlink((base + "/exe").c_str(), exe, sizeof exe - 1);
    if (n > 0)
        entry.exe.assign(exe, static_cast<size_t>(n));
    return entry;
}

std::vector<ProcessEntry> listProcesses()
{
    std::vector<ProcessEntry> out;
    DIR* dir = opendir("/proc");
    if (!dir)
        return out;
    while (dirent* d = readdir(dir)) {
        uint32_t pid = 0;
        if (!parsePid(d->d_name, &pid))
            continue;
        if (std::optional<ProcessEntry> entry = processEntry(pid))
            out.push_back(std::move(*entry));
    }
    closedir(dir);
    return out;
}

std::string processStamp(uint32_t pid)
{
    if (pid == 0)
        return std::string();
    // Field 22 of stat is the start time; counted from field 3 that is index 19.
    const std::vector<std::string> fields = statFields(pid);
    if (fields.size() < 20)
        return std::string();
    return fields[19] + "@" + bootId();
}

bool processAlive(uint32_t pid, const std::string& stamp)
{
    if (pid == 0 || pid > uint32_t(INT32_MAX))
        return false;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    // A process that ended but was not reaped yet is no longer running.
    const std::vector<std::string> fields = statFields(pid);
    if (fields.empty() || fields[0] == "Z" || fields[0] == "X")
        return false;
    if (stamp.empty())
        return true;
    return processStamp(pid) == stamp;
}

} // namespace platform::sysinfo
