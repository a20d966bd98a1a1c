#pragma once
// A binary dump file of received print data, for support: asks once whether to dump, then
// keeps a copy of every block written to it.

#include "platform/fileio/file.h"

#include <cstddef>
#include <string>

class CBinDump
{
public:
    // Asks string 3005 with the file's name; on Yes the file is created (emptied).
    explicit CBinDump(const std::string& path);
    ~CBinDump() = default;
    CBinDump(const CBinDump&) = delete;
    CBinDump& operator=(const CBinDump&) = delete;

    bool IsOpen() const { return m_file.isOpen(); }
    // Writes at most 65535 bytes of the block; returns the bytes written.
    size_t Write(const void* data, size_t count);

private:
    platform::fileio::File m_file;
};
