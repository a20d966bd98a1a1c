#include "platform/sync/shared_memory.h"

#include "platform/sync/named_lock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform::sync {
namespace {

// The lock bytes on the object's descriptor. They need not lie inside the object: record locks
// are independent of its size.
constexpr off_t kHolderByte = 0; // owner: write lock; shared holders: read locks
constexpr off_t kGuardByte = 1;  // the shared holders' guard: write lock

// Attempts at an object that keeps changing under us (a racing creator or last holder).
constexpr int kAttempts = 4;

std::string errnoText(int e)
{
    return std::strerror(e);
}

// One attempt at an open-file-description lock on one byte; 0 or the errno.
int tryByteLock(int fd, short type, off_t byte)
{
    struct flock fl
    {
    };
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = byte;
    fl.l_len = 1;
    for (;;) {
        if (fcntl(fd, F_OFD_SETLK, &fl) == 0)
            return 0;
        if (errno != EINTR)
            return errno;
    }
}

bool isBusy(int e)
{
    return e == EAGAIN || e == EACCES;
}

// A write lock on `byte` within `timeout`: 0, EAGAIN when it stayed taken, or the errno.
int timedByteLock(int fd, off_t byte, std::chrono::milliseconds timeout)
{
    timeout = std::clamp(timeout, std::chrono::milliseconds(0), std::chrono::milliseconds(24 * 3600 * 1000));
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::chrono::milliseconds interval{1};
    for (;;) {
        const int e = tryByteLock(fd, F_WRLCK, byte);
        if (e == 0 || !isBusy(e))
            return e;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return EAGAIN;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        std::this_thread::sleep_for(std::min({interval, left, std::chrono::milliseconds(16)}) +
                                    std::chrono::microseconds(100));
        interval = std::min(interval * 2, std::chrono::milliseconds(16));
    }
}

void unlockByte(int fd, off_t byte)
{
    tryByteLock(fd, F_UNLCK, byte);
}

// True when the name still refers to the object open on `fd`.
bool nameRefersTo(const std::string& sysName, int fd)
{
    struct stat mine
    {
    };
    struct stat named
    {
    };
    if (fstat(fd, &mine) != 0)
        return false;
    const int other = shm_open(sysName.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (other < 0)
        return false;
    const bool same = fstat(other, &named) == 0 && named.st_dev == mine.st_dev && named.st_ino == mine.st_ino;
    ::close(other);
    return same;
}

// Opens the object of the name for reading and writing, making it when there is none.
// -1 with errno on failure; *made tells whether it was made here.
int openOrMake(const std::string& sysName, bool* made)
{
    for (int i = 0; i < kAttempts; ++i) {
        int fd = shm_open(sysName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            *made = true;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
        fd = shm_open(sysName.c_str(), O_RDWR | O_CLOEXEC, 0);
        if (fd >= 0) {
            *made = false;
            return fd;
        }
        if (errno != ENOENT) // else removed in between: make it again
            return -1;
    }
    errno = EBUSY;
    return -1;
}

} // namespace

SharedMemory::~SharedMemory()
{
    close();
}

std::string SharedMemory::systemName(const std::string& name)
{
    const std::string clean = NamedLock::sanitizeName(name);
    return clean.empty() ? std::string() : "/" + clean;
}

bool SharedMemory::fail(const std::string& text)
{
    m_errorString = text;
    return false;
}

bool SharedMemory::checkRequest(const std::string& sysName, size_t size)
{
    if (sysName.empty())
        return fail("a shared memory needs a name");
    if (size == 0 || size > kMaxSize)
        return fail("shared memory " + sysName + ": size " + std::to_string(size) + " is not between 1 and " +
                    std::to_string(kMaxSize));
    return true;
}

bool SharedMemory::mapWritable(int fd, size_t size, const std::string& sysName)
{
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED)
        return fail("cannot map the shared memory " + sysName + ": " + errnoText(errno));
    m_name = sysName;
    m_data = static_cast<char*>(p);
    m_size = size;
    m_fd = fd;
    m_writable = true;
    return true;
}

bool SharedMemory::create(const std::string& name, size_t size, unsigned mode)
{
    close();
    m_errorString.clear();
    const std::string sysName = systemName(name);
    if (!checkRequest(sysName, size))
        return false;

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        bool made = false;
        const int fd = openOrMake(sysName, &made);
        if (fd < 0)
            return fail("cannot open the shared memory " + sysName + ": " + errnoText(errno));
        const int e = tryByteLock(fd, F_WRLCK, kHolderByte);
        if (e != 0) {
            // Someone holds it (or the system refused the lock): the object is not ours to
            // change or remove, whoever made it.
            ::close(fd);
            if (isBusy(e))
                return fail("shared memory " + sysName + " is already owned by a running process");
            return fail("cannot lock the shared memory " + sysName + ": " + errnoText(e));
        }
        // Held: the object is ours, new or a dead owner's leftover.
        auto giveUp = [&](const std::string& what) {
            const int err = errno;
            if (made)
                shm_unlink(sysName.c_str());
            ::close(fd);
            return fail(what + " " + sysName + ": " + errnoText(err));
        };
        if (!made) {
            struct stat st
            {
            };
            if (fstat(fd, &st) != 0)
                return giveUp("cannot examine the shared memory");
            if (static_cast<unsigned long long>(st.st_size) != size) {
                // Readers of the dead owner may still map it: never resized under them.
                shm_unlink(sysName.c_str());
                ::close(fd);
                continue;
            }
        }
        if (fchmod(fd, static_cast<mode_t>(mode & 0777)) != 0)
            return giveUp("cannot set the mode of the shared memory");
        if (ftruncate(fd, static_cast<off_t>(size)) != 0)
            return giveUp("cannot size the shared memory");
        if (!mapWritable(fd, size, sysName)) {
            if (made)
                shm_unlink(sysName.c_str());
            ::close(fd);
            return false;
        }
        if (!made)
            std::memset(m_data, 0, m_size); // the dead owner's contents are gone
        m_owner = true;
        return true;
    }
    return fail("cannot create the shared memory " + sysName + ": it keeps changing under us");
}

bool SharedMemory::openShared(const std::string& name, size_t size, unsigned mode, bool* created,
                              std::chrono::milliseconds timeout)
{
    close();
    m_errorString.clear();
    if (created)
        *created = false;
    const std::string sysName = systemName(name);
    if (!checkRequest(sysName, size))
        return false;

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        bool made = false;
        const int fd = openOrMake(sysName, &made);
        if (fd < 0)
            return fail("cannot open the shared memory " + sysName + ": " + errnoText(errno));
        const int g = timedByteLock(fd, kGuardByte, timeout);
        if (g != 0) {
            ::close(fd);
            return fail(isBusy(g) ? "shared memory " + sysName + " stayed busy"
                                  : "cannot lock the shared memory " + sysName + ": " + errnoText(g));
        }
        // The last holder may have removed the object between our open and the guard.
        if (!nameRefersTo(sysName, fd)) {
            ::close(fd);
            continue;
        }
        bool ok = false;
        if (tryByteLock(fd, F_WRLCK, kHolderByte) == 0) {
            // Nobody holds it: new, or left behind by holders that died. Made afresh.
            if (fchmod(fd, static_cast<mode_t>(mode & 0777)) != 0 ||
                ftruncate(fd, static_cast<off_t>(size)) != 0) {
                fail("cannot prepare the shared memory " + sysName + ": " + errnoText(errno));
            } else if (mapWritable(fd, size, sysName)) {
                std::memset(m_data, 0, m_size);
                ok = tryByteLock(fd, F_RDLCK, kHolderByte) == 0;
                if (created)
                    *created = true;
            }
        } else if (const int e = tryByteLock(fd, F_RDLCK, kHolderByte); e != 0) {
            fail(isBusy(e) ? "shared memory " + sysName + " is owned by a running process"
                           : "cannot lock the shared memory " + sysName + ": " + errnoText(e));
        } else {
            struct stat st
            {
            };
            if (fstat(fd, &st) != 0)
                fail("cannot examine the shared memory " + sysName + ": " + errnoText(errno));
            else if (st.st_size <= 0 || static_cast<unsigned long long>(st.st_size) > kMaxSize)
                fail("shared memory " + sysName + " has an unusable size (" + std::to_string(st.st_size) +
                     " bytes)");
            else
                ok = mapWritable(fd, static_cast<size_t>(st.st_size), sysName);
        }
        unlockByte(fd, kGuardByte);
        if (!ok) {
            if (m_data)
                munmap(m_data, m_size);
            m_data = nullptr;
            m_size = 0;
            m_fd = -1;
            m_writable = false;
            m_name.clear();
            ::close(fd);
            return false;
        }
        m_shared = true;
        return true;
    }
    return fail("cannot open the shared memory " + sysName + ": it keeps changing under us");
}

bool SharedMemory::openReadOnly(const std::string& name)
{
    close();
    m_errorString.clear();
    const std::string sysName = systemName(name);
    if (sysName.empty())
        return fail("a shared memory needs a name");
    int fd = shm_open(sysName.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return fail("cannot open the shared memory " + sysName + ": " + errnoText(errno));
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return fail("cannot examine the shared memory " + sysName + ": " + errnoText(e));
    }
    if (st.st_size <= 0 || static_cast<unsigned long long>(st.st_size) > kMaxSize) {
        ::close(fd);
        return fail("shared memory " + sysName + " has an unusable size (" + std::to_string(st.st_size) +
                    " bytes)");
    }
    const size_t size = static_cast<size_t>(st.st_size);
    void* p = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    const int e = errno;
    ::close(fd);
    if (p == MAP_FAILED)
        return fail("cannot map the shared memory " + sysName + ": " + errnoText(e));

    m_name = sysName;
    m_data = static_cast<char*>(p);
    m_size = size;
    m_writable = false;
    m_owner = false;
    return true;
}

bool SharedMemory::lockGuard(std::chrono::milliseconds timeout)
{
    if (!m_shared || m_fd < 0)
        return false;
    if (m_guardHeld)
        return true;
    m_guardHeld = timedByteLock(m_fd, kGuardByte, timeout) == 0;
    return m_guardHeld;
}

void SharedMemory::unlockGuard()
{
    if (m_guardHeld && m_fd >= 0)
        unlockByte(m_fd, kGuardByte);
    m_guardHeld = false;
}

void SharedMemory::removeIfStillOurs()
{
    if (nameRefersTo(m_name, m_fd))
        shm_unlink(m_name.c_str());
}

void SharedMemory::close()
{
    if (m_data)
        munmap(m_data, m_size);
    if (m_fd >= 0) {
        // Removed while our lock is still held, so the next holder never meets our object.
        if (m_owner) {
            removeIfStillOurs();
        } else if (m_shared) {
            // The last holder removes it: under the guard, so nobody attaches meanwhile; a
            // holder that cannot get the guard in time leaves it to the next one.
            if (lockGuard(std::chrono::seconds(1)) && tryByteLock(m_fd, F_WRLCK, kHolderByte) == 0)
                removeIfStillOurs();
        }
        ::close(m_fd); // drops every lock held on it
    }
    m_fd = -1;
    m_data = nullptr;
    m_size = 0;
    m_writable = false;
    m_owner = false;
    m_shared = false;
    m_guardHeld = false;
    m_name.clear();
}

bool SharedMemory::inBounds(size_t offset, size_t length) const
{
    return m_data != nullptr && offset <= m_size && length <= m_size - offset;
}

bool SharedMemory::write(size_t offset, const void* source, size_t length)
{
    if (!m_writable || !inBounds(offset, length) || (length > 0 && source == nullptr))
        return false;
    if (length > 0)
        std::memcpy(m_data + offset, source, length);
    return true;
}

bool SharedMemory::read(size_t offset, void* target, size_t length) const
{
    if (!inBounds(offset, length) || (length > 0 && target == nullptr))
        return false;
    if (length > 0)
        std::memcpy(target, m_data + offset, length);
    return true;
}

} // namespace platform::sync
