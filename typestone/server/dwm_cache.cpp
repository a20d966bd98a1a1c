#include "typestone/server/dwm_cache.h"

#include "typestone/server/general_settings.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/tx_aux.h"

#include "klv_inet/support/reg_entry.h"

#include "platform/fileio/file_ops.h"
#include "platform/folders/folders.h"

#include <ctime>
#include <map>
#include <memory>
#include <mutex>

namespace typestone {
namespace {

constexpr const char* kCachePath = "CACHE_PATH";
constexpr const char* kCacheDisabled = "CACHE_DISABLED";
constexpr size_t kMaxPath = 4096;

// The settings are read and written by one fetch at a time.
std::mutex g_configMutex;

// One lock per cache name, while a job looks for or fetches that file.
std::mutex g_namesMutex;
std::map<std::string, std::weak_ptr<std::mutex>> g_names;

std::shared_ptr<std::mutex> nameLock(const std::string& localName)
{
    std::lock_guard lock(g_namesMutex);
    for (auto it = g_names.begin(); it != g_names.end();)
        it = it->second.expired() ? g_names.erase(it) : std::next(it);
    auto& slot = g_names[localName];
    auto held = slot.lock();
    if (!held) {
        held = std::make_shared<std::mutex>();
        slot = held;
    }
    return held;
}

std::optional<std::string> readText(bool defaultEntry, const char* name)
{
    char buffer[kMaxPath] = {};
    uint32_t size = sizeof buffer;
    const int found = defaultEntry ? GetPLMDfltEntry(name, buffer, &size)
                                   : GetRegistryEntry(GeneralSection().c_str(), name, buffer, &size);
    if (!found)
        return std::nullopt;
    buffer[sizeof buffer - 1] = '\0';
    return std::string(buffer);
}

bool isYes(const std::string& text)
{
    return text.size() == 3 && (text[0] | 0x20) == 'y' && (text[1] | 0x20) == 'e' && (text[2] | 0x20) == 's';
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

uint32_t get32(const HostFileFacts& f, size_t at)
{
    return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 | uint32_t(f[at + 3]) << 24;
}

} // namespace

CacheConfig SetupCache()
{
    std::lock_guard lock(g_configMutex);
    CacheConfig config;
    config.folder = platform::folders::cacheDir() + "/Cache";
    const auto shared = readText(true, kCachePath);
    if (shared && !shared->empty())
        config.folder = *shared;
    const auto own = readText(false, kCachePath);
    if (own && !own->empty())
        config.folder = *own;
    config.folder = withoutTrailingSlash(config.folder);
    const auto disabled = readText(false, kCacheDisabled);
    config.disabled = disabled && isYes(*disabled);

    // Written back only where the store does not hold it yet, or holds it otherwise.
    if (!shared || shared->empty())
        SetPLMDfltEntry(kCachePath, config.folder.c_str(), uint32_t(config.folder.size() + 1), KLV_REG_SZ);
    if (!own || *own != config.folder)
        SetCFGString(kCachePath, config.folder);
    if (!disabled)
        SetCFGString(kCacheDisabled, config.disabled ? "yes" : "no");

    std::string error;
    if (!platform::folders::makePath(config.folder, 0700, &error))
        TRZ_Trace(kTrzCore, "\nSetupCache: the cache folder '%s' cannot be made: %s", config.folder, error);
    return config;
}

std::optional<HostFileInfo> ReadHostFileFacts(const HostFileFacts& facts)
{
    bool any = false;
    for (uint8_t b : facts)
        any = any || b != 0;
    if (!any)
        return std::nullopt;
    HostFileInfo info;
    info.date = get32(facts, 2);
    info.mode = uint16_t(facts[7] | (facts[8] << 8));
    info.size = get32(facts, 10);
    return info;
}

bool IsSameFileDate(uint32_t hostDate, int64_t modified)
{
    // No creation time can be read here; the modification time stands for it.
    const bool same = int64_t(hostDate) == modified;
    TRZ_Trace(kTrzCore, "\nIsSameFileDate() bRc=%d date=%08lx ", same ? 1 : 0,
              static_cast<unsigned long>(hostDate));
    return same;
}

CDwmCache::CDwmCache(PacketLink& link, platform::ui::UiBridge& ui, PacketClock& clock, uint8_t option,
                     CacheConfig config)
    : m_link(link), m_ui(ui), m_clock(clock), m_option(option), m_config(std::move(config))
{
}

std::string CDwmCache::GetLocalName(const std::string& hostName)
{
    std::string part = hostName.substr(0, hostName.find(':'));
    const size_t sep = part.find_last_of("/\\");
    if (sep != std::string::npos)
        part = part.substr(sep + 1);
    // Bytes of the host's own set do not make portable local names.
    for (auto& c : part)
        if (static_cast<unsigned char>(c) >= 0x80)
            c = '_';
    if (part.empty() || part == "." || part.find("..") != std::string::npos)
        return m_localName = std::string();
    for (unsigned char c : part)
        if (c < 0x20 || c == 0x7F)
            return m_localName = std::string();
    return m_localName = m_config.folder + "/" + part;
}

bool CDwmCache::IsCached(const std::string& hostName, const std::optional<HostFileInfo>& facts)
{
    TRZ_Trace(kTrzCore, "\nDwmCache::IsCached(%s)", hostName);
    m_hostDate = 0;
    if (m_config.disabled || m_option != 0 || !facts)
        return false;
    uint32_t date = facts->date;
    if (date < 315532800)
        date = uint32_t(std::time(nullptr));
    const auto info = platform::fileio::fileInfo(m_localName);
    bool cached = false;
    if (info.exists && info.regular)
        cached = info.size == facts->size && IsSameFileDate(date, int64_t(info.modified));
    m_hostDate = date;
    TRZ_Trace(kTrzCore, "\nDwmCache::IsCached(sale), bRc=%d", cached ? 1 : 0);
    return cached;
}

bool CDwmCache::Fetch(const std::string& hostName, uint16_t mode)
{
    TRZ_Trace(kTrzCore, "\n(1)-DoFileXfer(%s, %s)", hostName, m_localName);
    CTxAux aux(m_link, m_ui, m_clock, hostName, m_localName, mode, true);
    uint16_t result = 0;
    const bool ok = aux.Run(&result, m_option, false);
    TRZ_Trace(kTrzCore, "\n(2)-DoFileXfer(%s, %s): bRc=%s (%u)", hostName, m_localName, ok ? "OK" : "Error",
              unsigned(result));
    // A converted copy never passes for the host's bytes: it does not get the host's date.
    if (ok && m_option != 0)
        platform::fileio::setModifiedTime(m_localName, int64_t(std::time(nullptr)));
    else if (ok && m_hostDate >= 315532800)
        platform::fileio::setModifiedTime(m_localName, m_hostDate);
    m_transferred = ok;
    return ok;
}

bool CDwmCache::GetFile(const std::string& hostName, const HostFileFacts& facts)
{
    m_transferred = false;
    if (GetLocalName(hostName).empty()) {
        TRZ_Trace(kTrzCore, "\nDwmCache::GetFile(%s): not a name a file can be kept under", hostName);
        return false;
    }
    const auto info = ReadHostFileFacts(facts);
    const auto held = nameLock(m_localName);
    std::lock_guard lock(*held);
    if (IsCached(hostName, info))
        return true;
    return Fetch(hostName, info ? info->mode : 0);
}

bool FetchHostFile(PacketLink& link, platform::ui::UiBridge& ui, PacketClock& clock, const std::string& name,
                   const HostFileFacts& facts, uint8_t option, std::string* localPath, bool* transferred)
{
    if (localPath == nullptr)
        return false;
    localPath->clear();
    if (name.empty() || name.size() > 255)
        return false;
    CDwmCache cache(link, ui, clock, option, SetupCache());
    const bool ok = cache.GetFile(name, facts);
    if (ok)
        *localPath = cache.LocalName();
    if (transferred != nullptr)
        *transferred = cache.Transferred();
    return ok && !localPath->empty();
}

} // namespace typestone
