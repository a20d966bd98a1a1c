#include "typestone/server/connection_list.h"

#include "typestone/server/astcp_thread.h"

#include <algorithm>

namespace typestone {

void ConnectionList::Add(CASTCPThread* connection)
{
    if (!connection)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connections.push_back(connection);
    if (m_stopped)
        connection->Stop();
}

void ConnectionList::Remove(CASTCPThread* connection)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find(m_connections.begin(), m_connections.end(), connection);
    if (it != m_connections.end())
        m_connections.erase(it);
}

size_t ConnectionList::Count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections.size();
}

void ConnectionList::StopAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = true;
    for (CASTCPThread* c : m_connections)
        c->Stop();
}

void ConnectionList::Reopen()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = false;
}

} // namespace typestone
