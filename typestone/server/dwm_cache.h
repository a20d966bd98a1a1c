#pragma once
// The cache of host files: a file a job names on the host is fetched over the job's data
// connection once and kept in the cache folder; a later job that names it with the same size
// and date uses the kept copy without a transfer.
//
// The folder is the program's cache folder + "/Cache" unless the shared default entry
// "CACHE_PATH" or the value "CACHE_PATH" of the section General names another; "CACHE_DISABLED"
// "yes" (any case) fetches every file. A fetch writes a file beside its cache name that takes
// the name only when whole, and two jobs that want the same name fetch it one after the other.

#include "typestone/engine/host_file_link.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform::ui {
class UiBridge;
}

namespace typestone {

class PacketClock;
class PacketLink;

struct CacheConfig
{
    std::string folder;
    bool disabled = false;
};

// Reads the cache's settings, writes back what was missing or changed, and makes the folder
// when it is missing.
CacheConfig SetupCache();

// The host file facts: date (u32 at 2), transfer mode (u16 at 7), size (u32 at 10).
struct HostFileInfo
{
    uint32_t date = 0;
    uint16_t mode = 0;
    uint32_t size = 0;
};
// Nothing for a record of zeros (no facts).
std::optional<HostFileInfo> ReadHostFileFacts(const HostFileFacts& facts);

// True when a local file modified at `modified` is the host file of `hostDate`.
bool IsSameFileDate(uint32_t hostDate, int64_t modified);

class CDwmCache
{
public:
    // `option`: a translation for the transfer; any other than 0 bypasses the cache (a
    // converted file's size is not the host's).
    CDwmCache(PacketLink& link, platform::ui::UiBridge& ui, PacketClock& clock, uint8_t option,
              CacheConfig config);

    // The cache file for `hostName` (the part after the last separator, before any ":"), or
    // empty when that part is not a safe file name.
    std::string GetLocalName(const std::string& hostName);
    bool IsCached(const std::string& hostName, const std::optional<HostFileInfo>& facts);
    bool GetFile(const std::string& hostName, const HostFileFacts& facts);
    const std::string& LocalName() const { return m_localName; }
    // Whether the last GetFile moved the file over the link.
    bool Transferred() const { return m_transferred; }

private:
    bool Fetch(const std::string& hostName, uint16_t mode);

    PacketLink& m_link;
    platform::ui::UiBridge& m_ui;
    PacketClock& m_clock;
    uint8_t m_option;
    CacheConfig m_config;
    std::string m_localName;
    uint32_t m_hostDate = 0;
    bool m_transferred = false;
};

// Fetches host file `name` through the cache: true with *localPath set to the cached copy.
bool FetchHostFile(PacketLink& link, platform::ui::UiBridge& ui, PacketClock& clock, const std::string& name,
                   const HostFileFacts& facts, uint8_t option, std::string* localPath,
                   bool* transferred = nullptr);

} // namespace typestone
