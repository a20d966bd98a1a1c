#include "platform/spooler/spool_files.h"
#include "platform/fileio/file_ops.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::spooler::files {

std::string errnoText(const std::string& what, int err)
{
    return what + ": " + std::strerror(err);
}

bool writeAll(int fd, const void* data, size_t size, std::string* error)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = errnoText("write failed", errno);
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void startWriteBack(int fd, uint64_t offset, uint64_t length)
{
    ::sync_file_range(fd, static_cast<off64_t>(offset), static_cast<off64_t>(length), SYNC_FILE_RANGE_WRITE);
}

ReadResult readSmallFile(const std::string& path, size_t maxSize, std::string* text, std::string* error)
{
    bool missing = false;
    std::string why;
    if (platform::fileio::readSmallFile(path, maxSize, text, &why, &missing))
        return ReadResult::Ok;
    if (missing)
        return ReadResult::Missing;
    if (error)
        *error = why;
    return ReadResult::Failed;
}

bool replaceFile(const std::string& path, std::string_view text, std::string* error)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errnoText("cannot create a file beside " + path, errno);
        return false;
    }
    bool ok = writeAll(fd, text.data(), text.size(), error);
    if (ok && ::fsync(fd) != 0) {
        if (error)
            *error = errnoText("cannot flush " + temp, errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        if (error)
            *error = errnoText("cannot close " + temp, errno);
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        if (error)
            *error = errnoText("cannot rename " + temp + " to " + path, errno);
        ok = false;
    }
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool renameNoReplace(const std::string& from, const std::string& to, std::string* error)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // A file system without RENAME_NOREPLACE: a hard link refuses an existing name too.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return true;
        }
        err = errno;
    }
    if (error)
        *error = errnoText("cannot rename " + from + " to " + to, err);
    return false;
}

int openPdf(const std::string& path, std::string* error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error)
            *error = errnoText("cannot open the PDF file " + path, errno);
        return -1;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = path + " is not a regular file";
        ::close(fd);
        return -1;
    }
    char head[1024];
    size_t got = 0;
    while (got < sizeof head) {
        const ssize_t n = ::read(fd, head + got, sizeof head - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (std::string_view(head, got).find("%PDF-") == std::string_view::npos ||
        ::lseek(fd, 0, SEEK_SET) != 0) {
        if (error)
            *error = path + " is not a PDF file";
        ::close(fd);
        return -1;
    }
    return fd;
}

bool appendCutShortMark(const std::string& infoPath, const std::string& reason, std::string* error)
{
    const int fd = ::open(infoPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (error)
            *error = errnoText("cannot open " + infoPath, errno);
        return false;
    }
    const std::string line = std::string(kCutShortKey) + "=" + escapeValue(reason) + "\n";
    bool ok = writeAll(fd, line.data(), line.size(), error);
    if (ok && ::fsync(fd) != 0) {
        if (error)
            *error = errnoText("cannot flush " + infoPath, errno);
        ok = false;
    }
    ::close(fd);
    return ok;
}

std::string escapeValue(std::string_view value)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (u < 0x20 || u == 0x7f) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else
            out += c;
    }
    return out;
}

} // namespace platform::spooler::files
