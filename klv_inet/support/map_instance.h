#pragma once
// The instance table kept as text in named shared memory. Each operation takes the semaphore
// (waiting at most CSharedMem::kSemaWait), reads the table, works on it, writes it back when it
// changed, and releases the semaphore. Without a view, or when the semaphore stays taken, each
// answers as noted.

#include "klv_inet/support/instance_tbl.h"
#include "klv_inet/support/shared_mem.h"

#include <functional>

class KLV_EXPORT CMapInstance : public CSharedMem
{
public:
    explicit CMapInstance(const char* name = nullptr, int size = 2048, int global = 0)
        : CSharedMem(name, size, global)
    {
    }

    int InstanceToIndex(uint32_t pid);    // the index (-1)
    int ResetIndexOfInstance(int index);  // 1 (0)
    int IsHigherInstance(int index);      // (0)
    int SearchInstance(uint32_t pid);     // (0)
    int CountInstances(std::string* log); // (-1)

private:
    // Runs `work` on the table under the semaphore; writes the table back when `work` returns
    // true. False when there was no view, no semaphore, or the table did not fit.
    bool withTable(const std::function<bool(CInstanceTbl&)>& work);
};
