#pragma once
// A plain binary file handle for readers and writers that stream a file in blocks.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::fileio {

class File
{
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file for reading; no other writer may hold it exclusively meanwhile
    // (an advisory shared lock, refused without waiting when someone holds it exclusively).
    bool openRead(const std::string& path);
    // Opens `path` for writing with an exclusive advisory lock: a new file is created 0600, an
    // existing regular file is emptied; a symbolic link is refused.
    bool openWriteExclusive(const std::string& path);

    bool isOpen() const { return m_fd >= 0; }
    // Bytes read (0 at the end), -1 on error.
    long long read(void* buffer, size_t size);
    bool write(const void* data, size_t size);
    // Flushes what was written to the disk (fsync); false when closed or the flush failed.
    bool sync();
    // Size of the open file; 0 when closed.
    uint64_t size() const;
    void close();

private:
    int m_fd = -1;
};

} // namespace platform::fileio
