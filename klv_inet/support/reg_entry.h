#pragma once
// Reading, writing and deleting values of the library's sections. Every call applies the
// redirection of ".Default\" paths first; failures are results (0), never shown.

#include "klv_inet/support/klv_export.h"

#include "platform/settings/settings_store.h"

#include <cstdint>

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

// SetRegistryEntry with a result: false when nothing was stored (no section or name, data
// missing, a name or path beyond the store's limits, a store failure).
KLV_EXPORT bool writeRegistryEntry(const char* section, const char* name, const void* data, uint32_t size,
                                   uint32_t type, platform::RegRoot root = platform::RegRoot::Users);

// Marks the product's update as done: "Upgrade Status" = "Complete" (what the web update's
// product reset does).
KLV_EXPORT void resetProductStatus(const char* product, const char* app);

} // namespace klv
