#include "typestone/server/printer_check_cache.h"

#include "platform/settings/settings_store.h"
#include "platform/spooler/spooler.h"

namespace typestone {

std::optional<PrinterCheckCache::Stamp> PrinterCheckCache::now(platform::spooler::Spooler* spooler)
{
    if (!spooler)
        return std::nullopt;
    // The store first: a printer list that changes after it only makes the stamp stale sooner.
    const uint64_t store = platform::SettingsStore::changeCount();
    const std::optional<uint64_t> printers = spooler->printersVersion();
    if (!printers)
        return std::nullopt;
    return Stamp{store, *printers};
}

void PrinterCheckCache::moveToLocked(const Stamp& stamp)
{
    if (stamp == m_stamp)
        return;
    m_entries.clear();
    m_stamp = stamp;
}

std::optional<std::optional<PRTCFG>> PrinterCheckCache::find(const std::string& printerName,
                                                             const Stamp& stamp)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    moveToLocked(stamp);
    auto it = m_entries.find(platform::foldName(printerName));
    if (it == m_entries.end())
        return std::nullopt;
    return it->second;
}

void PrinterCheckCache::keep(const std::string& printerName, const Stamp& stamp, const PRTCFG* record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    moveToLocked(stamp);
    if (m_entries.size() >= kMaxEntries)
        m_entries.clear();
    std::optional<PRTCFG> kept;
    if (record) {
        kept = *record;
        kept->devMode.reset();
        kept->devNames.reset();
    }
    m_entries.insert_or_assign(platform::foldName(printerName), std::move(kept));
}

void PrinterCheckCache::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}

size_t PrinterCheckCache::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

} // namespace typestone
