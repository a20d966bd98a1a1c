#pragma once
// The connection status that other processes read from the shared memory
// "VALDORTypestoneMemFileMap":
//   "<count> " then per connection "<printer>\0<peer>\0<bytes> <running> <open> "
// (the printer of a raw job, empty for an interpreted one; the flags 1 or 0). Only whole
// records are written: the count says how many follow, and the rest of the memory is zeros.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace typestone {

class ConnectionList;

struct ConnectionStatus
{
    std::string printer;
    std::string peer;
    uint32_t bytesReceived = 0;
    bool running = false;
    bool printerOpen = false;
};

inline constexpr const char* kSharedMemName = "VALDORTypestoneMemFileMap";
inline constexpr size_t kSharedMemSize = 1024;

// The whole image of `capacity` bytes.
std::vector<char> FormatSharedStatus(const std::vector<ConnectionStatus>& connections, size_t capacity);

// The status of every live connection, taken under the list's lock.
std::vector<ConnectionStatus> CollectStatus(const ConnectionList& list);

} // namespace typestone
