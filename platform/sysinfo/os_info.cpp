#include "platform/sysinfo/os_info.h"

#include <fstream>
#include <sstream>
#include <sys/utsname.h>

namespace platform::sysinfo {
namespace {

std::string unquote(std::string v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        const char q = v.front();
        std::string out;
        for (size_t i = 1; i + 1 < v.size(); ++i) {
            if (q == '"' && v[i] == '\\' && i + 2 < v.size())
                ++i;
            out += v[i];
        }
        return out;
    }
    return v;
}

bool readFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

} // namespace

void parseOsRelease(const std::string& text, OsInfo& info)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = unquote(line.substr(eq + 1));
        if (key == "PRETTY_NAME")
            info.prettyName = value;
        else if (key == "ID")
            info.osId = value;
        else if (key == "VERSION_ID")
            info.versionId = value;
    }
}

bool readOsInfo(OsInfo& info, const std::string& osReleasePath)
{
    utsname u{};
    if (uname(&u) != 0)
        return false;
    info = OsInfo{};
    info.sysname = u.sysname;
    info.release = u.release;
    info.version = u.version;
    info.machine = u.machine;
    std::string text;
    if (!osReleasePath.empty()) {
        if (readFile(osReleasePath, text))
            parseOsRelease(text, info);
    } else if (readFile("/etc/os-release", text) || readFile("/usr/lib/os-release", text)) {
        parseOsRelease(text, info);
    }
    return true;
}

} // namespace platform::sysinfo
