#pragma once
// Named memory shared by the processes of the applications, with its cross-process semaphore
// "%s_Sema" (one holder at a time, released when its holder dies). Every process that names
// the memory attaches to the same object; the first makes it zero-filled.

#include "klv_inet/support/klv_export.h"

#include <chrono>
#include <memory>
#include <string>

namespace platform::sync {
class SharedMemory;
}

class KLV_EXPORT CSharedMem
{
public:
    // How long a table operation waits for the semaphore before it gives up.
    static constexpr std::chrono::milliseconds kSemaWait{5000};

    // A null or empty name gives an object without memory. `global` names the machine-wide
    // object "Global\<name>".
    explicit CSharedMem(const char* name = nullptr, int size = 2048, int global = 0);
    virtual ~CSharedMem();
    CSharedMem(const CSharedMem&) = delete;
    CSharedMem& operator=(const CSharedMem&) = delete;

    // The mapped view, nullptr when there is none.
    void* GetMemPtr() const;
    int GetSize() const;
    // True when the memory was made (zero-filled) by this object.
    bool IsNew() const { return m_new; }
    const std::string& MappingName() const { return m_mappingName; }
    const std::string& SemaName() const { return m_semaName; }

    // The semaphore, taken within `timeout` or not at all.
    bool Lock(std::chrono::milliseconds timeout = kSemaWait);
    void Unlock();

private:
    std::unique_ptr<platform::sync::SharedMemory> m_memory;
    std::string m_mappingName;
    std::string m_semaName;
    bool m_new = false;
};
