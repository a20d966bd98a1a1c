#pragma once
// A test with its own settings store file (and temporary folder).

#include "temp_env.h"

#include "platform/settings/settings_store.h"

#include <gtest/gtest.h>

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registry.set("TYPESTONE_REGISTRY", env.path("registry.sqlite"));
        platform::SettingsStore::resetShared();
        std::string error;
        store = platform::SettingsStore::shared(&error);
        ASSERT_TRUE(store) << error;
    }
    void TearDown() override
    {
        store.reset();
        platform::SettingsStore::resetShared();
    }
    std::string text(platform::RegRoot root, const std::string& key, const std::string& name)
    {
        std::string out;
        store->readString(root, key, name, &out);
        return out;
    }

    TempEnv env;
    ts::support::ScopedEnv registry;
    std::shared_ptr<platform::SettingsStore> store;
};
