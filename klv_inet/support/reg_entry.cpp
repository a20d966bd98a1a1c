#include "klv_inet/support/reg_entry.h"

#include "klv_inet/support/reg_section.h"
#include "klv_inet/support/store_access.h"

#include <cstring>
#include <optional>
#include <string>

namespace {

bool isText(uint32_t type)
{
    return type == KLV_REG_SZ || type == KLV_REG_EXPAND_SZ || type == KLV_REG_MULTI_SZ;
}

// Path and root after redirection, without one trailing backslash.
std::string resolve(const char* section, platform::RegRoot& root)
{
    std::string key = section;
    RegChangeUserByCurrentUser(key, root);
    if (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key;
}

std::string productKey(const char* product, const char* app)
{
    std::string key;
    FormUpdatesSection(key, app);
    return key + (product ? product : "");
}

} // namespace

int GetRegistryEntry(const char* section, const char* name, void* buffer, uint32_t* size,
                     platform::RegRoot root)
{
    return klv::readRegistryEntry(section, name, buffer, size, root) == platform::StoreStatus::Ok ? 1 : 0;
}

void SetRegistryEntry(const char* section, const char* name, const void* data, uint32_t size, uint32_t type,
                      platform::RegRoot root)
{
    if (!name) {
        RemoveRegistrySection(section, root);
        return;
    }
    klv::writeRegistryEntry(section, name, data, size, type, root);
}

void RemoveRegistryValue(const char* section, const char* name, platform::RegRoot root)
{
    if (!section || !name)
        return;
    klv::store::deleteValue(root, resolve(section, root), name);
}

void RemoveRegistrySection(const char* section, platform::RegRoot root)
{
    if (!section)
        return;
    const std::string key = resolve(section, root);
    if (!key.empty())
        klv::store::deleteKey(root, key);
}

int GetPLMDfltEntry(const char* name, void* buffer, uint32_t* size)
{
    return GetRegistryEntry(kDefaultSection, name, buffer, size, platform::RegRoot::Users);
}

void SetPLMDfltEntry(const char* name, const void* data, uint32_t size, uint32_t type)
{
    SetRegistryEntry(kDefaultSection, name, data, size, type, platform::RegRoot::Users);
}

int GetProductEntry(const char* product, const char* name, void* buffer, uint32_t* size, const char* app)
{
    return GetRegistryEntry(productKey(product, app).c_str(), name, buffer, size, platform::RegRoot::Users);
}

void SetProductEntry(const char* product, const char* name, const void* data, uint32_t size, uint32_t type,
                     const char* app)
{
    SetRegistryEntry(productKey(product, app).c_str(), name, data, size, type, platform::RegRoot::Users);
}

void RemoveProductEntry(const char* product, const char* name, const char* app)
{
    RemoveRegistryValue(productKey(product, app).c_str(), name, platform::RegRoot::Users);
}

namespace klv {

platform::StoreStatus readRegistryEntry(const char* section, const char* name, void* buffer, uint32_t* size,
                                        platform::RegRoot root)
{
    if (!section || !*section || !size)
        return platform::StoreStatus::InvalidArgument;
    const std::string key = resolve(section, root);
    if (buffer)
        std::memset(buffer, 0, *size);
    klv::store::Value v;
    const platform::StoreStatus status = klv::store::readValueStatus(root, key, name ? name : "", v);
    if (status != platform::StoreStatus::Ok)
        return status;
    size_t len = v.data.size();
    size_t need = len;
    if (isText(v.type)) {
        // The text proper, without the terminators it was stored with, plus one terminator.
        size_t text = len;
        while (text > 0 && v.data[text - 1] == 0)
            --text;
        need = text + 1;
        len = need;
    }
    if (need > 0xFFFFFFFFu)
        return platform::StoreStatus::InvalidArgument;
    if (!buffer) {
        *size = static_cast<uint32_t>(len);
        return platform::StoreStatus::Ok;
    }
    if (need > *size) {
        *size = static_cast<uint32_t>(need);
        return platform::StoreStatus::InvalidArgument;
    }
    // An empty value has no data block at all; memcpy must not see its null pointer.
    if (!v.data.empty())
        std::memcpy(buffer, v.data.data(), std::min(len, v.data.size()));
    *size = static_cast<uint32_t>(len);
    return platform::StoreStatus::Ok;
}

platform::StoreStatus writeRegistryEntries(const std::vector<RegistryWrite>& entries, platform::RegRoot root)
{
    std::vector<platform::ValueWrite> writes;
    writes.reserve(entries.size());
    std::optional<platform::RegRoot> batchRoot;
    for (const RegistryWrite& e : entries) {
        if (e.section.empty())
            return platform::StoreStatus::InvalidArgument;
        platform::RegRoot entryRoot = root;
        std::string key = resolve(e.section.c_str(), entryRoot);
        if (batchRoot && *batchRoot != entryRoot)
            return platform::StoreStatus::InvalidArgument; // one transaction, one root
        batchRoot = entryRoot;
        std::vector<uint8_t> data = e.data;
        if ((e.type == KLV_REG_SZ || e.type == KLV_REG_EXPAND_SZ) && !data.empty())
            data.resize(strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
        writes.push_back(platform::ValueWrite{std::move(key), e.name,
                                              static_cast<platform::ValueType>(e.type), std::move(data)});
    }
    return klv::store::writeValues(batchRoot.value_or(root), writes);
}

bool writeRegistryEntry(const char* section, const char* name, const void* data, uint32_t size, uint32_t type,
                        platform::RegRoot root)
{
    if (!name || !section || !*section)
        return false;
    const std::string key = resolve(section, root);
    if (size == 0 && type == KLV_REG_SZ && data)
        size = static_cast<uint32_t>(std::strlen(static_cast<const char*>(data)) + 1);
    if (size > 0 && !data)
        return false;
    // The store keeps texts without their terminator; readers add it back. (An empty text
    // may come without a data block.)
    if ((type == KLV_REG_SZ || type == KLV_REG_EXPAND_SZ) && data)
        size = static_cast<uint32_t>(strnlen(static_cast<const char*>(data), size));
    return klv::store::writeValue(root, key, name, type, static_cast<const uint8_t*>(data), size);
}

void resetProductStatus(const char* product, const char* app)
{
    static const char kComplete[] = "Complete";
    SetProductEntry(product, "Upgrade Status", kComplete, sizeof kComplete - 1, KLV_REG_SZ, app);
}

} // namespace klv
