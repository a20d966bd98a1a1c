#pragma once
// The host files of one job with a data connection: the job's packet link over the borrowed
// data socket, and the fetch through the cache. Used on the job's worker thread only; the
// owner's stop flag (set from any thread) ends a wait of the link at once.

#include "typestone/engine/host_file_link.h"
#include "typestone/server/packet_link.h"

#include <atomic>

namespace platform::net {
class Socket;
}
namespace platform::ui {
class UiBridge;
}

namespace typestone {

class PacketClock;

class JobHostFiles final : public HostFileLink
{
public:
    // `stop`: the owner's flag that ends every wait of the link (may be null).
    JobHostFiles(const platform::net::Socket& dataSocket, platform::ui::UiBridge& ui, PacketClock& clock,
                 const std::atomic<bool>* stop = nullptr);

    bool FetchHostFile(const std::string& name, const HostFileFacts& facts, std::string* localPath) override;
    bool FetchHostFileAs(const std::string& name, const HostFileFacts& facts, uint8_t translation,
                         std::string* localPath) override;

    PacketLink& Link() { return m_link; }

private:
    platform::ui::UiBridge& m_ui;
    PacketClock& m_clock;
    PacketLink m_link;
};

} // namespace typestone
