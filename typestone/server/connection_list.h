#pragma once
// The live job connections, for the status report and for stopping them all at shutdown.

#include <cstddef>
#include <mutex>
#include <vector>

namespace typestone {

class CASTCPThread;

class ConnectionList
{
public:
    // A connection added after StopAll is stopped at once.
    void Add(CASTCPThread* connection);
    void Remove(CASTCPThread* connection);
    size_t Count() const;

    // Asks every connection to end; the list then stops new ones as they are added.
    void StopAll();
    // Lets connections run again (the server was started anew).
    void Reopen();

    // Calls fn(const CASTCPThread&) for each connection under the list's lock.
    template <typename Fn> void ForEach(Fn fn) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const CASTCPThread* c : m_connections)
            fn(*c);
    }

private:
    mutable std::mutex m_mutex;
    std::vector<CASTCPThread*> m_connections;
    bool m_stopped = false;
};

} // namespace typestone
