#include "platform/sync/named_lock_guard.h"

namespace platform::sync {

NamedLockGuard::NamedLockGuard(NamedLock& lock, std::chrono::milliseconds timeout)
    : m_lock(lock), m_took(!lock.isLocked() && lock.tryLock(timeout))
{
}

NamedLockGuard::~NamedLockGuard()
{
    if (m_took)
        m_lock.unlock();
}

} // namespace platform::sync
