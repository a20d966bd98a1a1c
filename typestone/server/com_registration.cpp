#include "typestone/server/com_registration.h"

#include "platform/settings/settings_store.h"

#include <memory>
#include <string>

namespace typestone {
namespace {

const std::string kGuidKey = std::string("AppID\\") + kAppIdGuid;
const std::string kExeKey = "AppID\\Typestone.EXE";

} // namespace

bool RegisterAppId()
{
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared();
    if (!store)
        return false;
    const platform::RegRoot root = platform::RegRoot::ClassesRoot;
    return store->setString(root, kGuidKey, "", "Typestone") == platform::StoreStatus::Ok &&
           store->setString(root, kExeKey, "AppID", kAppIdGuid) == platform::StoreStatus::Ok;
}

bool UnregisterAppId()
{
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared();
    if (!store)
        return false;
    const platform::RegRoot root = platform::RegRoot::ClassesRoot;
    bool ok = true;
    for (const std::string& key : {kGuidKey, kExeKey}) {
        const platform::StoreStatus status = store->deleteKey(root, key);
        ok = ok && (status == platform::StoreStatus::Ok || status == platform::StoreStatus::NotFound);
    }
    return ok;
}

} // namespace typestone
