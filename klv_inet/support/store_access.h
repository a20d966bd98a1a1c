#pragma once
// The library's one door to the settings store (internal). Every call opens and closes what it
// needs; nothing is cached.

#include "platform/settings/settings_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace klv::store {

struct Value
{
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

bool keyExists(platform::RegRoot root, const std::string& key);
// The store's own answer (NotFound for a missing value, IoError when the store cannot be had).
platform::StoreStatus readValueStatus(platform::RegRoot root, const std::string& key, const std::string& name,
                                      Value& out);
// All the values in one transaction, or none.
platform::StoreStatus writeValues(platform::RegRoot root, const std::vector<platform::ValueWrite>& writes);
bool readValue(platform::RegRoot root, const std::string& key, const std::string& name, Value& out);
bool writeValue(platform::RegRoot root, const std::string& key, const std::string& name, uint32_t type,
                const uint8_t* data, size_t size);
bool deleteValue(platform::RegRoot root, const std::string& key, const std::string& name);
bool deleteKey(platform::RegRoot root, const std::string& key);
std::vector<std::string> subkeys(platform::RegRoot root, const std::string& key);
std::vector<Value> values(platform::RegRoot root, const std::string& key);

} // namespace klv::store
