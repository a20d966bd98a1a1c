#include "klv_inet/support/instance_tbl.h"

#include "platform/text/sprintf.h"
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

int CInstanceTbl::AssignIndex(uint32_t pid)
{
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i] == 0) {
            m_slots[i] = pid;
            return static_cast<int>(i);
        }
    }
    if (m_slots.size() >= kMaxSlots)
        return -1;
    m_slots.push_back(pid);
    return static_cast<int>(m_slots.size() - 1);
}

bool CInstanceTbl::UnAssignIndex(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_slots.size())
        return false;
    m_slots[static_cast<size_t>(index)] = 0;
    return true;
}

int CInstanceTbl::SearchInstance(uint32_t pid, int count) const
{
    size_t end = m_slots.size();
    if (count > 0 && static_cast<size_t>(count) < end)
        end = static_cast<size_t>(count);
    for (size_t i = 0; i < end; ++i)
        if (m_slots[i] == pid)
            return 1;
    return 0;
}

int CInstanceTbl::IsHigherInstance(short index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_slots.size() || m_slots[static_cast<size_t>(index)] == 0)
        return 0;
    for (size_t i = static_cast<size_t>(index) + 1; i < m_slots.size(); ++i)
        if (m_slots[i] != 0)
            return 0;
    return 1;
}

int CInstanceTbl::CountInstances(std::string* log) const
{
    std::set<uint32_t> seen;
    for (uint32_t pid : m_slots)
        if (pid != 0)
            seen.insert(pid);
    const unsigned count = static_cast<unsigned>(seen.size());
    if (log) {
        for (size_t i = 0; i < m_slots.size(); ++i) {
            if (m_slots[i] == 0)
                continue;
            *log += platform::text::sprintf("\n[%u/%u]-Inst[%u]=%u (%p)", 0u, count, static_cast<unsigned>(i),
                                            m_slots[i],
                                            reinterpret_cast<void*>(static_cast<uintptr_t>(m_slots[i])));
        }
    }
    return static_cast<int>(count);
}

std::string CInstanceTbl::Text() const
{
    std::ostringstream out;
    out << m_slots.size() << ' ';
    for (uint32_t pid : m_slots)
        out << pid << ' ';
    return out.str();
}

bool CInstanceTbl::WriteData(char* buffer, size_t size) const
{
    const std::string text = Text();
    if (!buffer || text.size() > size)
        return false;
    std::memcpy(buffer, text.data(), text.size());
    // Text beyond the written part keeps its old bytes; the count says what is valid.
    return true;
}

bool CInstanceTbl::ReadData(const char* text, size_t size)
{
    m_slots.clear();
    if (!text)
        return false;
    const size_t length = strnlen(text, size);
    if (length == 0)
        return true; // a new, zero-filled memory: an empty table
    std::istringstream in(std::string(text, length));
    unsigned long long count = 0;
    if (!(in >> count))
        return false;
    // Every slot takes at least two bytes ("0 "): a count beyond that is not believed.
    if (count > kMaxSlots || count > length / 2)
        return false;
    std::vector<uint32_t> slots;
    slots.reserve(static_cast<size_t>(count));
    for (unsigned long long i = 0; i < count; ++i) {
        unsigned long long pid = 0;
        if (!(in >> pid) || pid > UINT32_MAX)
            return false;
        slots.push_back(static_cast<uint32_t>(pid));
    }
    m_slots = std::move(slots);
    return true;
}
