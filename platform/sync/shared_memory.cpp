#include "platform/sync/shared_memory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::sync {
namespace {

constexpr const char* kLockPrefix = "shm.";

std::string errnoText(int e)
{
    return std::strerror(e);
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

bool SharedMemory::create(const std::string& name, size_t size, unsigned mode, const std::string& lockFolder)
{
    close();
    m_errorString.clear();
    const std::string sysName = systemName(name);
    if (sysName.empty())
        return fail("a shared memory needs a name");
    if (size == 0 || size > kMaxSize)
        return fail("shared memory " + sysName + ": size " + std::to_string(size) + " is not between 1 and " +
                    std::to_string(kMaxSize));

    const std::string lockName = kLockPrefix + sysName.substr(1);
    auto lock = lockFolder.empty() ? std::make_unique<NamedLock>(lockName)
                                   : std::make_unique<NamedLock>(lockName, lockFolder);
    if (!lock->tryLock(std::chrono::milliseconds(0))) {
        if (lock->error() == NamedLock::Error::Busy)
            return fail("shared memory " + sysName + " is already owned by a running process");
        return fail("shared memory " + sysName + ": " + lock->errorString());
    }

    // Holding the lock, any object of this name is a dead owner's leftover.
    if (shm_unlink(sysName.c_str()) != 0 && errno != ENOENT)
        return fail("cannot remove the stale shared memory " + sysName + ": " + errnoText(errno));

    // O_EXCL: should someone else slip an object in after the removal, it is never adopted.
    int fd = shm_open(sysName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail("cannot create the shared memory " + sysName + ": " + errnoText(errno));
    auto giveUp = [&](const std::string& what) {
        const int e = errno;
        ::close(fd);
        shm_unlink(sysName.c_str());
        return fail(what + " " + sysName + ": " + errnoText(e));
    };
    if (fchmod(fd, static_cast<mode_t>(mode & 0777)) != 0)
        return giveUp("cannot set the mode of the shared memory");
    if (ftruncate(fd, static_cast<off_t>(size)) != 0)
        return giveUp("cannot size the shared memory");
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED)
        return giveUp("cannot map the shared memory");
    ::close(fd);

    m_name = sysName;
    m_data = static_cast<char*>(p);
    m_size = size;
    m_writable = true;
    m_owner = true;
    m_ownerLock = std::move(lock);
    return true;
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

void SharedMemory::close()
{
    if (m_data)
        munmap(m_data, m_size);
    // Removed before the lock is released, so the next owner never meets our object.
    if (m_owner)
        shm_unlink(m_name.c_str());
    m_ownerLock.reset();
    m_data = nullptr;
    m_size = 0;
    m_writable = false;
    m_owner = false;
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
