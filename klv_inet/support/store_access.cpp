#include "klv_inet/support/store_access.h"

namespace klv::store {
namespace {

std::shared_ptr<platform::SettingsStore> db()
{
    return platform::SettingsStore::shared();
}

} // namespace

bool keyExists(platform::RegRoot root, const std::string& key)
{
    auto s = db();
    return s && s->keyExists(root, key);
}

platform::StoreStatus readValueStatus(platform::RegRoot root, const std::string& key, const std::string& name,
                                      Value& out)
{
    auto s = db();
    if (!s)
        return platform::StoreStatus::IoError; // shared() left the reason in lastError()
    platform::RegValue v;
    const platform::StoreStatus status = s->value(root, key, name, &v);
    if (status != platform::StoreStatus::Ok)
        return status;
    out.name = v.name;
    out.type = static_cast<uint32_t>(v.type);
    out.data = std::move(v.data);
    return status;
}

bool readValue(platform::RegRoot root, const std::string& key, const std::string& name, Value& out)
{
    return readValueStatus(root, key, name, out) == platform::StoreStatus::Ok;
}

platform::StoreStatus writeValues(platform::RegRoot root, const std::vector<platform::ValueWrite>& writes)
{
    auto s = db();
    return s ? s->setValues(root, writes) : platform::StoreStatus::IoError;
}

bool writeValue(platform::RegRoot root, const std::string& key, const std::string& name, uint32_t type,
                const uint8_t* data, size_t size)
{
    auto s = db();
    return s && s->setValue(root, key, name, static_cast<platform::ValueType>(type), data, size) ==
                    platform::StoreStatus::Ok;
}

bool deleteValue(platform::RegRoot root, const std::string& key, const std::string& name)
{
    auto s = db();
    return s && s->deleteValue(root, key, name) == platform::StoreStatus::Ok;
}

bool deleteKey(platform::RegRoot root, const std::string& key)
{
    auto s = db();
    return s && s->deleteKey(root, key) == platform::StoreStatus::Ok;
}

std::vector<std::string> subkeys(platform::RegRoot root, const std::string& key)
{
    std::vector<std::string> out;
    if (auto s = db(); !s || s->subkeys(root, key, &out) != platform::StoreStatus::Ok)
        out.clear();
    return out;
}

std::vector<Value> values(platform::RegRoot root, const std::string& key)
{
    std::vector<Value> out;
    std::vector<platform::RegValue> vs;
    if (auto s = db(); !s || s->values(root, key, &vs) != platform::StoreStatus::Ok)
        return out;
    for (auto& v : vs)
        out.push_back(Value{v.name, static_cast<uint32_t>(v.type), std::move(v.data)});
    return out;
}

} // namespace klv::store
