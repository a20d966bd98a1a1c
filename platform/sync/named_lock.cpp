#include "platform/sync/named_lock.h"

#include "platform/folders/folders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform::sync {
namespace {

// Long enough for any caller, short enough that steady_clock::now() + it cannot overflow.
constexpr std::chrono::milliseconds kMaxTimeout = std::chrono::hours(24 * 366);
constexpr std::chrono::milliseconds kMaxPollInterval{16};

bool allowedByte(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

// The runtime folder holds the lock folder; it must be a real folder of this user (or of root)
// that nobody else can write, or another user could swap the lock folder under us.
bool trustedParent(const std::string& path, std::string* error)
{
    struct stat st
    {
    };
    if (lstat(path.c_str(), &st) != 0) {
        *error = "cannot examine " + path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode)) {
        *error = path + " is not a plain folder; refusing to keep locks in it";
        return false;
    }
    if ((st.st_uid != geteuid() && st.st_uid != 0) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        *error = path + " can be changed by other users; refusing to keep locks in it";
        return false;
    }
    return true;
}

} // namespace

NamedLock::NamedLock(const std::string& name) : m_name(sanitizeName(name)), m_defaultFolder(true) {}

NamedLock::NamedLock(const std::string& name, const std::string& folder)
    : m_name(sanitizeName(name)), m_folder(folder), m_defaultFolder(false)
{
    while (m_folder.size() > 1 && m_folder.back() == '/')
        m_folder.pop_back();
}

NamedLock::~NamedLock()
{
    unlock();
}

std::string NamedLock::sanitizeName(const std::string& name)
{
    std::string out = name.substr(0, kMaxNameLength);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return !allowedByte(c); }, '_');
    return out;
}

std::string NamedLock::filePath() const
{
    if (m_folder.empty())
        return std::string();
    return m_folder + "/" + m_name + ".lock";
}

bool NamedLock::fail(Error error, const std::string& text)
{
    m_error = error;
    m_errorString = text;
    return false;
}

bool NamedLock::prepareFolder()
{
    std::string error;
    if (m_defaultFolder) {
        const std::string runtime = platform::folders::runtimeDir();
        if (!trustedParent(runtime, &error))
            return fail(Error::System, error);
        m_folder = runtime + "/locks";
        if (!platform::folders::ensurePrivateDir(m_folder, &error))
            return fail(Error::System, error);
        return true;
    }
    if (m_folder.empty())
        return fail(Error::System, "no folder given for the lock '" + m_name + "'");
    if (!platform::folders::makePath(m_folder, 0700, &error))
        return fail(Error::System, error);
    return true;
}

bool NamedLock::tryLock(std::chrono::milliseconds timeout)
{
    if (m_fd >= 0)
        return true;
    m_error = Error::None;
    m_errorString.clear();
    if (m_name.empty())
        return fail(Error::InvalidName, "a named lock needs a name");
    if (!prepareFolder())
        return false;

    const std::string path = filePath();
    // O_NONBLOCK: a FIFO planted in the lock's place must not hang the open.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    if (fd < 0) {
        if (errno == ELOOP)
            return fail(Error::System, path + " is a symbolic link; refusing to use it as a lock");
        return fail(Error::System, "cannot open the lock file " + path + ": " + std::strerror(errno));
    }
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return fail(Error::System, path + " is not a regular file; refusing to use it as a lock");
    }

    timeout = std::clamp(timeout, std::chrono::milliseconds(0), kMaxTimeout);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::chrono::milliseconds interval{1};
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return true;
        }
        const int e = errno;
        if (e == EINTR)
            continue;
        if (e != EWOULDBLOCK) {
            close(fd);
            return fail(Error::System, "cannot lock " + path + ": " + std::strerror(e));
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        std::this_thread::sleep_for(std::min({interval, left, kMaxPollInterval}) +
                                    std::chrono::microseconds(100));
        interval = std::min(interval * 2, kMaxPollInterval);
    }
    close(fd);
    return fail(Error::Busy, "the lock '" + m_name + "' is held by another process or object");
}

void NamedLock::unlock()
{
    if (m_fd < 0)
        return;
    // Closing the only descriptor of this open file description drops the lock; the file
    // itself stays, since removing it would let a later locker lock a different inode than
    // one still waiting on the old one.
    flock(m_fd, LOCK_UN);
    close(m_fd);
    m_fd = -1;
}

} // namespace platform::sync
