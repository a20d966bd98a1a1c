#pragma once
// Named memory shared between processes.
//
// Liveness is kept on the object itself, never in a file of some runtime folder: every holder
// keeps a lock on its descriptor of the object (an open-file-description lock, which the
// system drops when the holder's process ends, however it ends), and every process of the
// machine sees the same object and so the same locks.
//
// Two ways to hold an object:
// - create(): the creator owns it. The object is readable by every user and writable by the
//   owner alone (mode 0644 unless told otherwise, applied regardless of the umask), starts out
//   zero-filled, and is removed when the owner's SharedMemory is closed. While the owner lives
//   it holds the object's owner lock; another creator is refused and leaves the object as it
//   is. An object whose owner lock is free belongs to a dead owner and is taken over.
//   Readers attach with openReadOnly().
// - openShared(): every holder reads and writes one object, made by whoever came first and
//   zero-filled then (also when it was a dead holders' leftover). The object lives while any
//   holder has it open; the last holder to close removes it. lockGuard() serialises the
//   holders' accesses across processes (the guard is dropped with its holder's process).
//
// Names keep only [A-Za-z0-9._-] (other bytes become '_'), are cut to 200 bytes, and are used
// as "/<name>". One object is meant for one thread at a time; callers that share the memory
// between threads of a process separate their accesses themselves.

#include <chrono>
#include <cstddef>
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
    // permission bits only. False with errorString() when it cannot: a bad name or size, an
    // owner that is still running (its object stays untouched), or a system failure.
    bool create(const std::string& name, size_t size, unsigned mode = 0644);
    // Maps an existing object for reading only; its size is the object's own.
    bool openReadOnly(const std::string& name);
    // Attaches to the object of the name for reading and writing, making it (`size` bytes,
    // zero-filled, `mode`) when nobody holds it; an object that is held keeps its own size.
    // *created (when given) tells whether the memory was made or zero-filled here. Waits at
    // most `timeout` for a holder that is attaching or leaving at the same moment.
    bool openShared(const std::string& name, size_t size, unsigned mode = 0600, bool* created = nullptr,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Unmaps; an owner also removes the object, and so does the last shared holder.
    void close();

    // The cross-process guard of a shared object: taken within `timeout` or not at all (false,
    // also without a shared object). Closing releases it.
    bool lockGuard(std::chrono::milliseconds timeout);
    void unlockGuard();
    bool holdsGuard() const { return m_guardHeld; }

    bool isAttached() const { return m_data != nullptr; }
    bool isOwner() const { return m_owner; }
    bool isShared() const { return m_shared; }
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
    // A name and a size that a shared memory can have; otherwise the failure is recorded.
    bool checkRequest(const std::string& sysName, size_t size);
    bool inBounds(size_t offset, size_t length) const;
    bool mapWritable(int fd, size_t size, const std::string& sysName);
    void removeIfStillOurs();

    std::string m_name;
    char* m_data = nullptr;
    size_t m_size = 0;
    int m_fd = -1; // kept open by owners and shared holders: their locks live on it
    bool m_writable = false;
    bool m_owner = false;
    bool m_shared = false;
    bool m_guardHeld = false;
    std::string m_errorString;
};

} // namespace platform::sync
