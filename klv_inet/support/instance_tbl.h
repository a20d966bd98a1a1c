#pragma once
// The instance table: slot i holds the process id of instance i, 0 for a free slot. Kept as
// text in shared memory: the number of slots, then each slot's value, each number followed by
// one blank ("3 1204 0 3310 ").

#include "klv_inet/support/klv_export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class KLV_EXPORT CInstanceTbl
{
public:
    // The most slots a table read back may have, whatever the text claims.
    static constexpr size_t kMaxSlots = 4096;

    CInstanceTbl() = default;
    explicit CInstanceTbl(std::vector<uint32_t> slots) : m_slots(std::move(slots)) {}

    // Stores pid in the first free slot, or in a new slot at the end; its index (-1 when the
    // table is full).
    int AssignIndex(uint32_t pid);
    // Frees slot index; false (and nothing changed) for an index outside the table.
    bool UnAssignIndex(int index);
    // 1 when pid is in one of the first count slots (all slots when count is 0), else 0.
    int SearchInstance(uint32_t pid, int count) const;
    // 1 when slot index is in use and every slot after it is free, else 0 (also outside).
    int IsHigherInstance(short index) const;
    // The number of distinct process ids in use; with log, one line per used slot.
    int CountInstances(std::string* log) const;

    // The text form. WriteData writes into [buffer, buffer + size) only when the whole text
    // fits (false, nothing written, when not). ReadData reads at most size bytes; a text that
    // is not a table, or claims more slots than kMaxSlots or than the bytes could hold, gives
    // an empty table and false. All zero bytes read as an empty table.
    std::string Text() const;
    bool WriteData(char* buffer, size_t size) const;
    bool ReadData(const char* text, size_t size);

    const std::vector<uint32_t>& slots() const { return m_slots; }

private:
    std::vector<uint32_t> m_slots;
};
