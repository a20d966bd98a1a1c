#pragma once
// Named memory shared between processes.
//
// The owner (the server) creates the object; it is readable by every user and writable by the
// owner alone (mode 0644 unless told otherwise, applied regardless of the umask), starts out
// zero-filled, and is removed when the owner's SharedMemory is destroyed. While the owner
// lives it holds a companion NamedLock ("shm.<name>"); a creator that can take that lock knows
// that any object of the name left behind belongs to a dead owner and replaces it, and one
// that cannot is refused. Readers attach with openReadOnly().
//
// Names keep only [A-Za-z0-9._-] (other bytes become '_'), are cut to 200 bytes, and are used
// as "/<name>". One object is meant for one thread at a time; callers that share the memory
// between threads of a process separate their accesses themselves.

#include "platform/sync/named_lock.h"

#include <cstddef>
#include <memory>
#include <string>

namespace platform::sync {

class SharedMemory
{
public:
    // The largest object created or attached.
    static constexpr size_t kMaxSize = size_t(64) * 1024 * 1024;

    SharedMemory() = default;
    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    // Creates the object as its owner and maps it for reading and writing. `mode` takes the
    // permission bits only. The companion lock lives in the default lock folder, or in
    // `lockFolder` when one is given. False with errorString() when it cannot: a bad name or
    // size, an owner that is still running, or a system failure.
    bool create(const std::string& name, size_t size, unsigned mode = 0644,
                const std::string& lockFolder = std::string());
    // Maps an existing object for reading only; its size is the object's own.
    bool openReadOnly(const std::string& name);
    // Unmaps; an owner also removes the object and releases its lock.
    void close();

    bool isAttached() const { return m_data != nullptr; }
    bool isOwner() const { return m_owner; }
    bool isWritable() const { return m_data != nullptr && m_writable; }

    // The mapping: data() only for a writable mapping (else nullptr), constData() for any.
    char* data() { return m_writable ? m_data : nullptr; }
    const char* constData() const { return m_data; }
    size_t size() const { return m_size; }
    // The system name, "/<sanitised name>".
    const std::string& name() const { return m_name; }

    // Copies within the bounds of the mapping only; false (and nothing copied) when
    // [offset, offset + length) does not lie inside it or the mapping is not writable.
    bool write(size_t offset, const void* source, size_t length);
    bool read(size_t offset, void* target, size_t length) const;

    const std::string& errorString() const { return m_errorString; }

    // "/" + the sanitised name; empty when nothing is left of the name.
    static std::string systemName(const std::string& name);

private:
    bool fail(const std::string& text);
    bool inBounds(size_t offset, size_t length) const;

    std::string m_name;
    char* m_data = nullptr;
    size_t m_size = 0;
    bool m_writable = false;
    bool m_owner = false;
    std::unique_ptr<NamedLock> m_ownerLock;
    std::string m_errorString;
};

} // namespace platform::sync
