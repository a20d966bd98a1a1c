#pragma once
// The host files of a job: the files a job's commands fetch from, or send to, the VALDOR host
// over the job's data connection. The connection that runs the job provides it through its
// EngineHost; a job without a data connection has none.

#include <array>
#include <cstdint>
#include <string>

namespace typestone {

// The 18 bytes of host file facts that follow a file name in a command (date, transfer mode,
// size), passed on as they came.
using HostFileFacts = std::array<uint8_t, 18>;

class HostFileLink
{
public:
    virtual ~HostFileLink() = default;

    // Fetches the host file `name` into the local cache (or finds it there, same date and
    // size) and sets `*localPath`; false when it cannot be had, `*localPath` then empty.
    virtual bool FetchHostFile(const std::string& name, const HostFileFacts& facts,
                               std::string* localPath) = 0;

    // The same with the host's text converted on the way (`translation` 1: through the
    // transfer tables, 2: through them and the OEM code page; 0: as it is). Such a copy is
    // fetched every time: its size is not the host's. A link that cannot convert refuses.
    virtual bool FetchHostFileAs(const std::string& name, const HostFileFacts& facts, uint8_t translation,
                                 std::string* localPath)
    {
        if (translation == 0)
            return FetchHostFile(name, facts, localPath);
        if (localPath != nullptr)
            localPath->clear();
        return false;
    }
};

} // namespace typestone
