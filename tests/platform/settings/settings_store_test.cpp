#include "platform/settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::RegRoot;
using platform::RegValue;
using platform::SettingsStore;
using platform::StoreStatus;
using platform::ValueType;

namespace {

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "ts-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
        m_path = m_dir + "/registry.sqlite";
        std::string error;
        m_store = SettingsStore::open(m_path, &error);
        ASSERT_TRUE(m_store) << error;
    }
    void TearDown() override
    {
        m_store.reset();
        fs::remove_all(m_dir);
    }

    std::string m_dir;
    std::string m_path;
    std::unique_ptr<SettingsStore> m_store;
};

const char* const kKey = "Software\\KLV\\Typestone\\General";

TEST_F(SettingsStoreTest, ValuesRoundTripWithTheirTypes)
{
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, kKey, "TCP_TYPESTONE", "3339"), StoreStatus::Ok);
    ASSERT_EQ(m_store->setDword(RegRoot::CurrentUser, kKey, "Count", 0x12345678u), StoreStatus::Ok);
    std::vector<uint8_t> bytes(256);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(m_store->setBinary(RegRoot::CurrentUser, kKey, "Password", bytes), StoreStatus::Ok);
    const char multi[] = "one\0two\0";
    ASSERT_EQ(m_store->setValue(RegRoot::CurrentUser, kKey, "List", ValueType::MultiString, multi, sizeof multi - 1),
              StoreStatus::Ok);
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, kKey, "", "default value"), StoreStatus::Ok);

    std::string text;
    EXPECT_EQ(m_store->readString(RegRoot::CurrentUser, kKey, "TCP_TYPESTONE", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "3339");
    uint32_t dw = 0;
    EXPECT_EQ(m_store->readDword(RegRoot::CurrentUser, kKey, "Count", &dw), StoreStatus::Ok);
    EXPECT_EQ(dw, 0x12345678u);
    std::vector<uint8_t> back;
    EXPECT_EQ(m_store->readBinary(RegRoot::CurrentUser, kKey, "Password", &back), StoreStatus::Ok);
    EXPECT_EQ(back, bytes);
    RegValue v;
    EXPECT_EQ(m_store->value(RegRoot::CurrentUser, kKey, "List", &v), StoreStatus::Ok);
    EXPECT_EQ(v.type, ValueType::MultiString);
    EXPECT_EQ(v.text(), std::string("one\0two\0", 8));
    EXPECT_EQ(m_store->readString(RegRoot::CurrentUser, kKey, "", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "default value");

    // Typed readers refuse another type rather than guess, and the type numbers are the registry's.
    EXPECT_EQ(m_store->readDword(RegRoot::CurrentUser, kKey, "TCP_TYPESTONE", &dw), StoreStatus::TypeMismatch);
    EXPECT_EQ(m_store->readString(RegRoot::CurrentUser, kKey, "Count", &text), StoreStatus::TypeMismatch);
    EXPECT_EQ(static_cast<uint32_t>(ValueType::String), 1u);
    EXPECT_EQ(static_cast<uint32_t>(ValueType::Binary), 3u);
    EXPECT_EQ(static_cast<uint32_t>(ValueType::Dword), 4u);
    EXPECT_EQ(static_cast<uint32_t>(ValueType::MultiString), 7u);

    // Roots are separate trees.
    EXPECT_EQ(m_store->readString(RegRoot::Users, kKey, "TCP_TYPESTONE", &text), StoreStatus::NotFound);
}

TEST_F(SettingsStoreTest, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    ASSERT_EQ(m_store->setString(RegRoot::Users, ".DEFAULT\\Software\\KLV", "Trz_Level", "0x1f"), StoreStatus::Ok);
    std::string text;
    EXPECT_EQ(m_store->readString(RegRoot::Users, "\\.default\\SOFTWARE\\klv\\", "TRZ_LEVEL", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "0x1f");
    ASSERT_EQ(m_store->setString(RegRoot::Users, ".default\\software\\klv", "trz_level", "0x02"), StoreStatus::Ok);

    std::vector<RegValue> vals;
    ASSERT_EQ(m_store->values(RegRoot::Users, ".DEFAULT\\Software\\KLV", &vals), StoreStatus::Ok);
    ASSERT_EQ(vals.size(), 1u);
    EXPECT_EQ(vals[0].name, "Trz_Level");
    EXPECT_EQ(vals[0].text(), "0x02");
    std::vector<std::string> keys;
    ASSERT_EQ(m_store->subkeys(RegRoot::Users, "", &keys), StoreStatus::Ok);
    EXPECT_EQ(keys, std::vector<std::string>{".DEFAULT"});
}

TEST_F(SettingsStoreTest, EnumerationOrder)
{
    for (const char* k : {"Zeta", "alpha", "Beta"})
        ASSERT_EQ(m_store->createKey(RegRoot::LocalMachine, std::string("Printers\\") + k), StoreStatus::Ok);
    for (const char* n : {"Name2", "Count", "Name1"})
        ASSERT_EQ(m_store->setString(RegRoot::LocalMachine, "Printers", n, "x"), StoreStatus::Ok);
    // Rewriting a value keeps its place.
    ASSERT_EQ(m_store->setString(RegRoot::LocalMachine, "Printers", "name2", "y"), StoreStatus::Ok);

    std::vector<std::string> keys;
    ASSERT_EQ(m_store->subkeys(RegRoot::LocalMachine, "Printers", &keys), StoreStatus::Ok);
    EXPECT_EQ(keys, (std::vector<std::string>{"alpha", "Beta", "Zeta"}));
    std::vector<RegValue> vals;
    ASSERT_EQ(m_store->values(RegRoot::LocalMachine, "Printers", &vals), StoreStatus::Ok);
    ASSERT_EQ(vals.size(), 3u);
    EXPECT_EQ(vals[0].name, "Name2");
    EXPECT_EQ(vals[0].text(), "y");
    EXPECT_EQ(vals[1].name, "Count");
    EXPECT_EQ(vals[2].name, "Name1");
}

TEST_F(SettingsStoreTest, DeletingKeysAndValues)
{
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, "A\\B", "v", "1"), StoreStatus::Ok);
    EXPECT_EQ(m_store->deleteKey(RegRoot::CurrentUser, "A"), StoreStatus::HasSubkeys);
    EXPECT_TRUE(m_store->keyExists(RegRoot::CurrentUser, "A\\B"));
    EXPECT_EQ(m_store->deleteKey(RegRoot::CurrentUser, "A\\B"), StoreStatus::Ok);
    EXPECT_FALSE(m_store->keyExists(RegRoot::CurrentUser, "A\\B"));
    EXPECT_EQ(m_store->deleteKey(RegRoot::CurrentUser, "A"), StoreStatus::Ok);
    EXPECT_EQ(m_store->deleteKey(RegRoot::CurrentUser, "A"), StoreStatus::NotFound);
    EXPECT_EQ(m_store->deleteKey(RegRoot::CurrentUser, ""), StoreStatus::InvalidArgument);

    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, "K", "Gone", "x"), StoreStatus::Ok);
    EXPECT_EQ(m_store->deleteValue(RegRoot::CurrentUser, "K", "GONE"), StoreStatus::Ok);
    EXPECT_EQ(m_store->deleteValue(RegRoot::CurrentUser, "K", "Gone"), StoreStatus::NotFound);
    EXPECT_EQ(m_store->value(RegRoot::CurrentUser, "K", "Gone", nullptr), StoreStatus::NotFound);
}

TEST_F(SettingsStoreTest, BoundsAreChecked)
{
    std::string longName(SettingsStore::kMaxKeyComponent + 1, 'k');
    EXPECT_EQ(m_store->createKey(RegRoot::CurrentUser, longName), StoreStatus::InvalidArgument);
    std::vector<uint8_t> big(SettingsStore::kMaxValueData + 1);
    EXPECT_EQ(m_store->setBinary(RegRoot::CurrentUser, "K", "big", big), StoreStatus::InvalidArgument);
    EXPECT_FALSE(SettingsStore::lastError().empty());
}

TEST_F(SettingsStoreTest, FileIsPrivateAndValuesSurviveReopening)
{
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, kKey, "Path", "/opt/typestone"), StoreStatus::Ok);
    m_store.reset();
    struct stat st{};
    ASSERT_EQ(stat(m_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    auto again = SettingsStore::open(m_path);
    ASSERT_TRUE(again);
    std::string text;
    EXPECT_EQ(again->readString(RegRoot::CurrentUser, kKey, "Path", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "/opt/typestone");
}

TEST_F(SettingsStoreTest, DamagedOrUnusableFilesAreClearErrors)
{
    struct Case
    {
        const char* what;
        std::string content;
    };
    const Case cases[] = {
        {"garbage", std::string(4096, 'x')},
        {"header only", std::string("SQLite format 3\0", 16) + std::string(100, '\xff')},
    };
    for (const Case& c : cases) {
        std::string path = m_dir + "/bad.sqlite";
        std::ofstream(path, std::ios::binary) << c.content;
        std::string error;
        EXPECT_EQ(SettingsStore::open(path, &error), nullptr) << c.what;
        EXPECT_NE(error.find(path), std::string::npos) << c.what << ": " << error;
        fs::remove(path);
    }

    if (geteuid() != 0) {
        std::string roDir = m_dir + "/ro";
        fs::create_directory(roDir);
        chmod(roDir.c_str(), 0500);
        std::string error;
        EXPECT_EQ(SettingsStore::open(roDir + "/registry.sqlite", &error), nullptr);
        EXPECT_FALSE(error.empty());
    }
    // A folder where the file should be.
    std::string error;
    fs::create_directory(m_dir + "/dir.sqlite");
    EXPECT_EQ(SettingsStore::open(m_dir + "/dir.sqlite", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(SettingsStoreTest, DefaultPathFollowsTheEnvironment)
{
    const char* old = std::getenv("TYPESTONE_REGISTRY");
    std::string saved = old ? old : "";
    setenv("TYPESTONE_REGISTRY", m_path.c_str(), 1);
    EXPECT_EQ(SettingsStore::defaultPath(), m_path);
    SettingsStore::resetShared();
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, "K", "v", "shared"), StoreStatus::Ok);
    auto shared = SettingsStore::shared();
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared, SettingsStore::shared());
    std::string text;
    EXPECT_EQ(shared->readString(RegRoot::CurrentUser, "K", "v", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "shared");
    SettingsStore::resetShared();
    if (old)
        setenv("TYPESTONE_REGISTRY", saved.c_str(), 1);
    else
        unsetenv("TYPESTONE_REGISTRY");
}

TEST_F(SettingsStoreTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kEach = 200;
    m_store.reset();
    pid_t pids[2];
    for (int p = 0; p < 2; ++p) {
        pids[p] = fork();
        ASSERT_GE(pids[p], 0);
        if (pids[p] == 0) {
            auto store = SettingsStore::open(m_path);
            int failures = store ? 0 : 1;
            for (int i = 0; store && i < kEach; ++i)
                if (store->setString(RegRoot::CurrentUser, "Shared", "p" + std::to_string(p) + "_" + std::to_string(i),
                                     std::to_string(i)) != StoreStatus::Ok)
                    ++failures;
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto store = SettingsStore::open(m_path);
    ASSERT_TRUE(store);
    std::vector<RegValue> vals;
    ASSERT_EQ(store->values(RegRoot::CurrentUser, "Shared", &vals), StoreStatus::Ok);
    EXPECT_EQ(vals.size(), 2u * kEach);
}

} // namespace
