#include "klv_inet/support/map_instance.h"

bool CMapInstance::withTable(const std::function<bool(CInstanceTbl&)>& work)
{
    char* view = static_cast<char*>(GetMemPtr());
    if (!view || !Lock())
        return false;
    const size_t size = static_cast<size_t>(GetSize());
    CInstanceTbl table;
    table.ReadData(view, size); // a damaged text reads as an empty table
    bool ok = true;
    if (work(table))
        ok = table.WriteData(view, size);
    Unlock();
    return ok;
}

int CMapInstance::InstanceToIndex(uint32_t pid)
{
    int index = -1;
    if (!withTable([&](CInstanceTbl& t) {
            index = t.AssignIndex(pid);
            return index >= 0;
        }))
        return -1;
    return index;
}

int CMapInstance::ResetIndexOfInstance(int index)
{
    bool inside = false;
    if (!withTable([&](CInstanceTbl& t) { return inside = t.UnAssignIndex(index); }))
        return 0;
    return inside ? 1 : 0;
}

int CMapInstance::IsHigherInstance(int index)
{
    int result = 0;
    if (index < -32768 || index > 32767)
        return 0;
    withTable([&](CInstanceTbl& t) {
        result = t.IsHigherInstance(static_cast<short>(index));
        return false;
    });
    return result;
}

int CMapInstance::SearchInstance(uint32_t pid)
{
    int result = 0;
    withTable([&](CInstanceTbl& t) {
        result = t.SearchInstance(pid, 0);
        return false;
    });
    return result;
}

int CMapInstance::CountInstances(std::string* log)
{
    int result = -1;
    if (!withTable([&](CInstanceTbl& t) {
            result = t.CountInstances(log);
            return false;
        }))
        return -1;
    return result;
}
