#pragma once
// The answers of the job check (is the printer shared, with which password), kept between
// jobs while neither the settings store nor the spooler's printer list changed, so that a
// job's hand-shake reads neither.

#include "typestone/server/prt_cfg.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace platform::spooler {
class Spooler;
}

namespace typestone {

class PrinterCheckCache
{
public:
    // What the answers were read under: the store's change count and the spooler's version
    // of its printer list.
    struct Stamp
    {
        uint64_t store = 0;
        uint64_t printers = 0;
        bool operator==(const Stamp&) const = default;
    };
    // Printer names come from the hosts: past this many, the kept answers start afresh.
    static constexpr size_t kMaxEntries = 4096;

    // The stamp now; nullopt when the spooler cannot tell when its list changes (nothing can
    // be kept then). Read it before reading what is to be kept.
    static std::optional<Stamp> now(platform::spooler::Spooler* spooler);

    // The answer kept for `printerName` (without regard to case) under `stamp`: the printer's
    // record, or an empty one inside for a printer without configuration. Nullopt: not kept.
    std::optional<std::optional<PRTCFG>> find(const std::string& printerName, const Stamp& stamp);
    // Keeps the answer read under `stamp` (the record's device settings are not kept).
    void keep(const std::string& printerName, const Stamp& stamp, const PRTCFG* record);
    void clear();
    size_t size() const;

private:
    // Under m_mutex: forgets everything read under another stamp.
    void moveToLocked(const Stamp& stamp);

    mutable std::mutex m_mutex;
    Stamp m_stamp;
    std::unordered_map<std::string, std::optional<PRTCFG>> m_entries; // by folded name
};

} // namespace typestone
