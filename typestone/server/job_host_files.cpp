#include "typestone/server/job_host_files.h"

#include "typestone/server/dwm_cache.h"

namespace typestone {

JobHostFiles::JobHostFiles(const platform::net::Socket& dataSocket, platform::ui::UiBridge& ui,
                           PacketClock& clock, const std::atomic<bool>* stop)
    : m_ui(ui), m_clock(clock), m_link(dataSocket, ui, clock)
{
    m_link.setStopFlag(stop);
}

bool JobHostFiles::FetchHostFile(const std::string& name, const HostFileFacts& facts, std::string* localPath)
{
    return FetchHostFileAs(name, facts, 0, localPath);
}

bool JobHostFiles::FetchHostFileAs(const std::string& name, const HostFileFacts& facts, uint8_t translation,
                                   std::string* localPath)
{
    return typestone::FetchHostFile(m_link, m_ui, m_clock, name, facts, translation, localPath);
}

} // namespace typestone
