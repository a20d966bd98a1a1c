#include "platform/fileio/file_ops.h"

#include <cerrno>
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

} // namespace platform::fileio
