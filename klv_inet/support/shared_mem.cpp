#include "klv_inet/support/shared_mem.h"

#include "platform/sync/shared_memory.h"

CSharedMem::CSharedMem(const char* name, int size, int global)
    : m_memory(std::make_unique<platform::sync::SharedMemory>())
{
    if (!name || !*name || size <= 0)
        return;
    m_mappingName = global ? std::string("Global\\") + name : std::string(name);
    m_semaName = m_mappingName + "_Sema";
    // Open to the user's own processes; the semaphore lives on the object itself, so every
    // process that attaches sees the same one.
    m_memory->openShared(m_mappingName, static_cast<size_t>(size), 0600, &m_new);
}

CSharedMem::~CSharedMem()
{
    m_memory->close();
}

void* CSharedMem::GetMemPtr() const
{
    return m_memory->isAttached() ? m_memory->data() : nullptr;
}

int CSharedMem::GetSize() const
{
    return static_cast<int>(m_memory->size());
}

bool CSharedMem::Lock(std::chrono::milliseconds timeout)
{
    return m_memory->lockGuard(timeout);
}

void CSharedMem::Unlock()
{
    m_memory->unlockGuard();
}
