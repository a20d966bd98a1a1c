#pragma once
// Holds a NamedLock for the lifetime of a scope.

#include "platform/sync/named_lock.h"

#include <chrono>

namespace platform::sync {

class NamedLockGuard
{
public:
    // Tries to take `lock` within `timeout` unless it is held already; check isLocked() before
    // relying on it.
    NamedLockGuard(NamedLock& lock, std::chrono::milliseconds timeout);
    // Releases the lock when this guard took it (a lock held before is left held).
    ~NamedLockGuard();
    NamedLockGuard(const NamedLockGuard&) = delete;
    NamedLockGuard& operator=(const NamedLockGuard&) = delete;

    bool isLocked() const { return m_lock.isLocked(); }

private:
    NamedLock& m_lock;
    bool m_took;
};

} // namespace platform::sync
