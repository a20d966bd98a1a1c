#pragma once
// Reading, writing and deleting values of the library's sections. Every call applies the
// redirection of ".Default\" paths first; failures are results (0), never shown.

#include "klv_inet/support/klv_export.h"

#include "platform/settings/settings_store.h"

#include <cstdint>
#include <string>
#include <vector>

// Value types, with the numbers stored values carry.
inline constexpr uint32_t KLV_REG_SZ = 1;
inline constexpr uint32_t KLV_REG_EXPAND_SZ = 2;
inline constexpr uint32_t KLV_REG_BINARY = 3;
inline constexpr uint32_t KLV_REG_DWORD = 4;
inline constexpr uint32_t KLV_REG_MULTI_SZ = 7;

// Reads a value into `buffer` (zero-filled over *size first); *size becomes the data length.
// A text value must leave room for its terminator: one that would fill the buffer is not read
// (0, with *size the length needed), as is any value longer than the buffer. A null buffer
// asks for the length only. A trailing '\' of the path is ignored. Returns 1 when found.
KLV_EXPORT int GetRegistryEntry(const char* section, const char* name, void* buffer, uint32_t* size,
                                platform::RegRoot root = platform::RegRoot::Users);

// Writes a value, creating every missing key of the path; a text written with size 0 is
// stored with its terminator. A null name removes the section (under the root passed).
KLV_EXPORT void SetRegistryEntry(const char* section, const char* name, const void* data, uint32_t size,
                                 uint32_t type, platform::RegRoot root = platform::RegRoot::Users);

KLV_EXPORT void RemoveRegistryValue(const char* section, const char* name,
                                    platform::RegRoot root = platform::RegRoot::Users);

// Deletes that one key (a key that still has subkeys is kept).
KLV_EXPORT void RemoveRegistrySection(const char* section, platform::RegRoot root = platform::RegRoot::Users);

// Entries shared by all applications (".DEFAULT\Software\KLV\.Default").
KLV_EXPORT int GetPLMDfltEntry(const char* name, void* buffer, uint32_t* size);
KLV_EXPORT void SetPLMDfltEntry(const char* name, const void* data, uint32_t size, uint32_t type);

// Values of a product in the application's update key.
KLV_EXPORT int GetProductEntry(const char* product, const char* name, void* buffer, uint32_t* size,
                               const char* app = nullptr);
KLV_EXPORT void SetProductEntry(const char* product, const char* name, const void* data, uint32_t size,
                                uint32_t type, const char* app = nullptr);
KLV_EXPORT void RemoveProductEntry(const char* product, const char* name, const char* app = nullptr);

namespace klv {

// GetRegistryEntry with the store's answer, so that a caller can tell a missing value
// (NotFound) from a store that failed (Busy, Corrupt, IoError; SettingsStore::lastError() has
// the reason). InvalidArgument: no section, or the value does not fit the buffer (*size then
// says how much it needs).
KLV_EXPORT platform::StoreStatus readRegistryEntry(const char* section, const char* name, void* buffer,
                                                   uint32_t* size,
                                                   platform::RegRoot root = platform::RegRoot::Users);

// One entry of a batch for writeRegistryEntries; texts are given without their terminator.
struct RegistryWrite
{
    std::string section;
    std::string name;
    uint32_t type = KLV_REG_SZ;
    std::vector<uint8_t> data;
};

// Writes every entry (creating the sections) in one transaction: all of them or, when one
// cannot be written, none, with the store's answer.
KLV_EXPORT platform::StoreStatus writeRegistryEntries(const std::vector<RegistryWrite>& entries,
                                                      platform::RegRoot root = platform::RegRoot::Users);

// SetRegistryEntry with a result: false when nothing was stored (no section or name, data
// missing, a name or path beyond the store's limits, a store failure).
KLV_EXPORT bool writeRegistryEntry(const char* section, const char* name, const void* data, uint32_t size,
                                   uint32_t type, platform::RegRoot root = platform::RegRoot::Users);

// Marks the product's update as done: "Upgrade Status" = "Complete" (what the web update's
// product reset does).
KLV_EXPORT void resetProductStatus(const char* product, const char* app);

} // namespace klv
