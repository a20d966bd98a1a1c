#include "platform/fileio/file_ops.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform::fileio {

bool appendFile(const std::string& path, std::string_view data, bool truncate)
{
    int flags = O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
    if (truncate)
        flags |= O_TRUNC;
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0)
        return false;
    bool ok = true;
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

FileInfo fileInfo(const std::string& path)
{
    FileInfo info;
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return info;
    info.exists = true;
    info.regular = S_ISREG(st.st_mode);
    info.size = static_cast<uint64_t>(st.st_size);
    info.modified = st.st_mtime;
    return info;
}

std::string makeTempFile(const std::string& dir, const std::string& prefix)
{
    if (dir.empty())
        return {};
    std::string pattern = dir;
    if (pattern.back() != '/')
        pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    return std::string(buf.data());
}

namespace {

std::string errnoText(const std::string& what, int err)
{
    return what + ": " + std::strerror(err);
}

bool writeAll(int fd, std::string_view data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool replaceFile(const std::string& path, std::string_view data, std::string* error)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = errnoText("cannot create a file beside " + path, errno);
        return false;
    }
    bool ok = writeAll(fd, data);
    if (!ok)
        *error = errnoText("cannot write " + temp, errno);
    if (ok && ::fsync(fd) != 0) {
        *error = errnoText("cannot flush " + temp, errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        *error = errnoText("cannot close " + temp, errno);
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        *error = errnoText("cannot rename " + temp + " to " + path, errno);
        ok = false;
    }
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool readSmallFile(const std::string& path, size_t maxSize, std::string* text, std::string* error,
                   bool* missing)
{
    if (missing)
        *missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (missing && errno == ENOENT)
            *missing = true;
        *error = errnoText("cannot open " + path, errno);
        return false;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxSize) {
        *error = path + " is not a regular file of at most " + std::to_string(maxSize) + " bytes";
        ::close(fd);
        return false;
    }
    std::string result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = errnoText("cannot read " + path, errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        // The file may grow after the check: never more than the limit is taken.
        if (result.size() + static_cast<size_t>(n) > maxSize) {
            *error = path + " is larger than " + std::to_string(maxSize) + " bytes";
            ::close(fd);
            return false;
        }
        result.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    *text = std::move(result);
    return true;
}

bool setModifiedTime(const std::string& path, int64_t seconds)
{
    struct timespec times[2] = {};
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_sec = static_cast<time_t>(seconds);
    return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

int fileErrorCause(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ELOOP:
        return 5;
    case EIO:
        return 10;
    case ENOSPC:
    case EDQUOT:
        return 13;
    default:
        return 1;
    }
}

} // namespace platform::fileio
