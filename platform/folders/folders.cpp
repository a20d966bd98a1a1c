#include "platform/folders/folders.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::folders {
namespace {

constexpr const char* kAppFolder = "typestone";

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string firstOfList(const std::string& list)
{
    auto colon = list.find(':');
    return colon == std::string::npos ? list : list.substr(0, colon);
}

std::string stripSlash(std::string p)
{
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

std::string homeDir()
{
    std::string home = env("HOME");
    if (!home.empty() && home[0] == '/')
        return stripSlash(home);
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return stripSlash(pw->pw_dir);
    return "/tmp";
}

// systemd's folder for a service, else the XDG base (or its fallback below $HOME) + our name.
std::string writableDir(const char* systemdVar, const char* xdgVar, const char* homeFallback)
{
    std::string dir = firstOfList(env(systemdVar));
    if (dir.empty() || dir[0] != '/') {
        std::string base = env(xdgVar);
        if (base.empty() || base[0] != '/')
            base = homeFallback ? homeDir() + "/" + homeFallback : std::string();
        if (base.empty()) {
            // In the shared temporary folder anybody could have made this name first: it must
            // be a private folder of ours, not a link, not a stranger's, not open to others.
            // A refused one is still returned; users of it check it before they trust it.
            dir = systemTempDir() + "/" + kAppFolder + "-" + std::to_string(getuid());
            ensurePrivateDir(dir);
            return dir;
        }
        dir = stripSlash(base) + "/" + kAppFolder;
    }
    dir = stripSlash(dir);
    makePath(dir, 0700);
    return dir;
}

bool fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

std::string executableDir()
{
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0)
        return ".";
    std::string p(buf, static_cast<size_t>(n));
    auto slash = p.rfind('/');
    return slash == 0 ? std::string("/") : p.substr(0, slash);
}

std::string dataDir()
{
    std::string d = env("TYPESTONE_DATA_DIR");
    if (!d.empty() && d[0] == '/')
        return stripSlash(d);
    std::string exe = executableDir();
    std::string share = exe + "/../share/typestone";
    struct stat st
    {
    };
    if (stat(share.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        char real[PATH_MAX + 1];
        if (realpath(share.c_str(), real))
            return real;
    }
    return exe;
}

std::string stateDir()
{
    return writableDir("STATE_DIRECTORY", "XDG_STATE_HOME", ".local/state");
}
std::string cacheDir()
{
    return writableDir("CACHE_DIRECTORY", "XDG_CACHE_HOME", ".cache");
}
std::string configDir()
{
    return writableDir("CONFIGURATION_DIRECTORY", "XDG_CONFIG_HOME", ".config");
}
std::string runtimeDir()
{
    return writableDir("RUNTIME_DIRECTORY", "XDG_RUNTIME_DIR", nullptr);
}

std::string systemTempDir()
{
    std::string t = env("TMPDIR");
    if (!t.empty() && t[0] == '/')
        return stripSlash(t);
    return "/tmp";
}

bool makePath(const std::string& path, unsigned mode, std::string* error)
{
    if (path.empty())
        return fail(error, "empty folder name");
    std::string cur;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t next = path.find('/', pos);
        if (next == std::string::npos)
            next = path.size();
        cur = path.substr(0, next);
        pos = next + 1;
        if (cur.empty())
            continue;
        if (mkdir(cur.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
            return fail(error, "cannot create folder " + cur + ": " + std::strerror(errno));
    }
    struct stat st
    {
    };
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return fail(error, path + " is not a folder");
    return true;
}

bool ensurePrivateDir(const std::string& path, std::string* error)
{
    if (path.empty() || path[0] != '/')
        return fail(error, "private folder needs an absolute path: '" + path + "'");
    struct stat st
    {
    };
    if (lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return fail(error, "cannot examine " + path + ": " + std::strerror(errno));
        auto slash = path.rfind('/');
        if (slash > 0 && !makePath(path.substr(0, slash), 0700, error))
            return false;
        if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return fail(error, "cannot create " + path + ": " + std::strerror(errno));
        if (lstat(path.c_str(), &st) != 0)
            return fail(error, "cannot examine " + path + ": " + std::strerror(errno));
    }
    if (S_ISLNK(st.st_mode))
        return fail(error, path + " is a symbolic link; refusing to use it as a private folder");
    if (!S_ISDIR(st.st_mode))
        return fail(error, path + " exists and is not a folder");
    if (st.st_uid != geteuid())
        return fail(error, path + " belongs to another user (uid " + std::to_string(st.st_uid) + ")");
    if ((st.st_mode & 077) != 0) {
        // Open without following links so a swap between lstat and chmod cannot redirect it.
        int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 || fchmod(fd, 0700) != 0) {
            int e = errno;
            if (fd >= 0)
                close(fd);
            return fail(error, "cannot make " + path + " private: " + std::strerror(e));
        }
        close(fd);
    }
    return true;
}

} // namespace platform::folders
