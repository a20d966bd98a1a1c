#include "platform/settings/settings_store.h"

#include "tests/support/env/scoped_env.h"
#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
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
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        m_dir = m_folder.path();
        m_path = m_dir + "/registry.sqlite";
        std::string error;
        m_store = SettingsStore::open(m_path, &error);
        ASSERT_TRUE(m_store) << error;
    }
    void TearDown() override { m_store.reset(); }

    ts::support::TempDir m_folder{"ts-settings"};
    std::string m_dir;
    std::string m_path;
    std::unique_ptr<SettingsStore> m_store;
};

const char* const kKey = "Software\\KLV\\Typestone\\General";

using ts::support::ScopedEnv;

// Writes an SQLite database of someone else's making.
void makeDatabase(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

mode_t fileMode(const std::string& path)
{
    struct stat st = {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

TEST_F(SettingsStoreTest, ValuesRoundTripWithTheirTypes)
{
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, kKey, "TCP_TYPESTONE", "3339"), StoreStatus::Ok);
    ASSERT_EQ(m_store->setDword(RegRoot::CurrentUser, kKey, "Count", 0x12345678u), StoreStatus::Ok);
    std::vector<uint8_t> bytes(256);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(m_store->setBinary(RegRoot::CurrentUser, kKey, "Password", bytes), StoreStatus::Ok);
    const char multi[] = "one\0two\0";
    ASSERT_EQ(m_store->setValue(RegRoot::CurrentUser, kKey, "List", ValueType::MultiString, multi,
                                sizeof multi - 1),
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
    EXPECT_EQ(m_store->readDword(RegRoot::CurrentUser, kKey, "TCP_TYPESTONE", &dw),
              StoreStatus::TypeMismatch);
    EXPECT_EQ(m_store->readString(RegRoot::CurrentUser, kKey, "Count", &text), StoreStatus::TypeMismatch);
    EXPECT_EQ(m_store->readString(RegRoot::CurrentUser, kKey, "List", &text), StoreStatus::TypeMismatch);
    EXPECT_EQ(m_store->readBinary(RegRoot::CurrentUser, kKey, "Count", &back), StoreStatus::TypeMismatch);
    ASSERT_EQ(m_store->setValue(RegRoot::CurrentUser, kKey, "Short", ValueType::Dword, "\1\2", 2),
              StoreStatus::Ok);
    EXPECT_EQ(m_store->readDword(RegRoot::CurrentUser, kKey, "Short", &dw), StoreStatus::TypeMismatch);
    // A text stored with its terminator reads without it; the stored data keeps it.
    ASSERT_EQ(m_store->setValue(RegRoot::CurrentUser, kKey, "Path", ValueType::ExpandString, "%HOME%\0", 7),
              StoreStatus::Ok);
    EXPECT_EQ(m_store->readString(RegRoot::CurrentUser, kKey, "Path", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "%HOME%");
    EXPECT_EQ(m_store->value(RegRoot::CurrentUser, kKey, "Path", &v), StoreStatus::Ok);
    EXPECT_EQ(v.data.size(), 7u);
    EXPECT_EQ(static_cast<uint32_t>(ValueType::String), 1u);
    EXPECT_EQ(static_cast<uint32_t>(ValueType::Binary), 3u);
    EXPECT_EQ(static_cast<uint32_t>(ValueType::Dword), 4u);
    EXPECT_EQ(static_cast<uint32_t>(ValueType::MultiString), 7u);

    // Roots are separate trees.
    EXPECT_EQ(m_store->readString(RegRoot::Users, kKey, "TCP_TYPESTONE", &text), StoreStatus::NotFound);
}

TEST_F(SettingsStoreTest, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    ASSERT_EQ(m_store->setString(RegRoot::Users, ".DEFAULT\\Software\\KLV", "Trz_Level", "0x1f"),
              StoreStatus::Ok);
    std::string text;
    EXPECT_EQ(m_store->readString(RegRoot::Users, "\\.default\\SOFTWARE\\klv\\", "TRZ_LEVEL", &text),
              StoreStatus::Ok);
    EXPECT_EQ(text, "0x1f");
    ASSERT_EQ(m_store->setString(RegRoot::Users, ".default\\software\\klv", "trz_level", "0x02"),
              StoreStatus::Ok);

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

// Statements are kept between calls: a kept one must neither hold a snapshot that hides
// another connection's later changes, nor keep the bindings of its last use. Every read and
// every change of one store is seen at once by another store of the same file, both ways,
// whatever was read before; a key deleted and made again elsewhere is found under its new
// identity.
TEST_F(SettingsStoreTest, KeptStatementsSeeChangesOfOtherConnectionsAtOnce)
{
    auto other = SettingsStore::open(m_path);
    ASSERT_NE(other, nullptr);
    const char* const path = "Software\\Printers\\P1\\DevCfg";
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, path, "wDevice", "one"), StoreStatus::Ok);
    std::string text;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const std::string mine = "mine " + std::to_string(round);
        const std::string theirs = "theirs " + std::to_string(round);
        ASSERT_EQ(m_store->readString(RegRoot::CurrentUser, path, "wDevice", &text), StoreStatus::Ok);
        ASSERT_EQ(other->setString(RegRoot::CurrentUser, path, "wDevice", theirs), StoreStatus::Ok);
        ASSERT_EQ(m_store->readString(RegRoot::CurrentUser, path, "wDevice", &text), StoreStatus::Ok);
        EXPECT_EQ(text, theirs);
        ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, path, "wDevice", mine), StoreStatus::Ok);
        ASSERT_EQ(other->readString(RegRoot::CurrentUser, path, "wDevice", &text), StoreStatus::Ok);
        EXPECT_EQ(text, mine);
        // A name that is not there after one that is: no binding of the last read is left.
        EXPECT_EQ(m_store->readString(RegRoot::CurrentUser, path, "wOutput", &text), StoreStatus::NotFound);
    }

    // The key goes and comes back through the other store, with a value of another name.
    ASSERT_EQ(other->deleteValue(RegRoot::CurrentUser, path, "wDevice"), StoreStatus::Ok);
    ASSERT_EQ(other->deleteKey(RegRoot::CurrentUser, path), StoreStatus::Ok);
    EXPECT_EQ(m_store->readString(RegRoot::CurrentUser, path, "wDevice", &text), StoreStatus::NotFound);
    EXPECT_FALSE(m_store->keyExists(RegRoot::CurrentUser, path));
    ASSERT_EQ(other->setString(RegRoot::CurrentUser, path, "wDriver", "again"), StoreStatus::Ok);
    ASSERT_EQ(m_store->readString(RegRoot::CurrentUser, path, "wDriver", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "again");
    std::vector<RegValue> vals;
    ASSERT_EQ(m_store->values(RegRoot::CurrentUser, path, &vals), StoreStatus::Ok);
    ASSERT_EQ(vals.size(), 1u);
    EXPECT_EQ(vals[0].name, "wDriver");
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
    EXPECT_EQ(m_store->deleteKey(RegRoot::CurrentUser, "\\\\"), StoreStatus::InvalidArgument);
    EXPECT_EQ(m_store->openKey(RegRoot::CurrentUser, "A"), StoreStatus::NotFound);
    EXPECT_EQ(m_store->openKey(RegRoot::CurrentUser, ""), StoreStatus::Ok);

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
    EXPECT_EQ(m_store->setString(RegRoot::CurrentUser, "K",
                                 std::string(SettingsStore::kMaxValueName + 1, 'n'), "x"),
              StoreStatus::InvalidArgument);
    EXPECT_EQ(m_store->openKey(RegRoot::CurrentUser, "K"), StoreStatus::NotFound)
        << "a refused write left a key";
    EXPECT_EQ(m_store->openKey(RegRoot::CurrentUser, std::string(SettingsStore::kMaxKeyPath + 1, 'k')),
              StoreStatus::InvalidArgument);
    EXPECT_EQ(m_store->subkeys(RegRoot::CurrentUser, "", nullptr), StoreStatus::InvalidArgument);
    EXPECT_EQ(m_store->values(RegRoot::CurrentUser, "", nullptr), StoreStatus::InvalidArgument);
}

TEST_F(SettingsStoreTest, FileIsPrivateAndValuesSurviveReopening)
{
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, kKey, "Path", "/opt/typestone"), StoreStatus::Ok);
    m_store.reset();
    EXPECT_EQ(fileMode(m_path), 0600u);

    // A file loosened since, opened under the common umask: it and the journal files that
    // appear while the store is open are all private.
    ASSERT_EQ(chmod(m_path.c_str(), 0644), 0);
    mode_t oldMask = umask(022);
    auto again = SettingsStore::open(m_path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->setString(RegRoot::CurrentUser, kKey, "Other", "x"), StoreStatus::Ok);
    for (const char* suffix : {"", "-wal", "-shm"})
        EXPECT_EQ(fileMode(m_path + suffix), 0600u) << suffix;
    umask(oldMask);
    again.reset();

    // Reached through a linked folder, it is the same store.
    fs::create_directory_symlink(m_dir, m_dir + "-link");
    auto linked = SettingsStore::open(m_dir + "-link/registry.sqlite");
    fs::remove(m_dir + "-link");
    ASSERT_TRUE(linked) << SettingsStore::lastError();
    std::string text;
    EXPECT_EQ(linked->readString(RegRoot::CurrentUser, kKey, "Path", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "/opt/typestone");
}

TEST_F(SettingsStoreTest, DamagedOrUnusableFilesAreClearErrors)
{
    struct Case
    {
        const char* what;
        std::string content; // written as the file's bytes when `sql` is null
        const char* sql;
    };
    const Case damaged[] = {
        {"garbage", std::string(4096, 'x'), nullptr},
        {"header only", std::string("SQLite format 3\0", 16) + std::string(100, '\xff'), nullptr},
        {"another program's database", "", "CREATE TABLE t(a); INSERT INTO t VALUES(1);"},
        {"a newer schema", "", "CREATE TABLE keys(id); PRAGMA user_version=2;"},
        {"tables missing", "",
         "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent, name, fold); PRAGMA user_version=1;"},
    };
    for (const Case& c : damaged) {
        std::string path = m_dir + "/bad.sqlite";
        if (c.sql)
            makeDatabase(path, c.sql);
        else
            std::ofstream(path, std::ios::binary) << c.content;
        std::string error;
        EXPECT_EQ(SettingsStore::open(path, &error), nullptr) << c.what;
        EXPECT_NE(error.find(path + " is not a valid settings database"), std::string::npos)
            << c.what << ": " << error;
        EXPECT_EQ(SettingsStore::lastError(), error) << c.what;
        // Refusing must not have repaired or emptied the file.
        if (!c.sql) {
            EXPECT_EQ(fs::file_size(path), c.content.size()) << c.what;
        }
        fs::remove(path);
    }

    // Places where no store can be kept.
    fs::create_directory(m_dir + "/dir.sqlite");
    std::ofstream(m_dir + "/plain") << "x";
    ASSERT_EQ(mkfifo((m_dir + "/fifo.sqlite").c_str(), 0600), 0);
    fs::create_symlink(m_path, m_dir + "/link.sqlite");
    std::vector<std::string> unusable = {m_dir + "/dir.sqlite", m_dir + "/plain/registry.sqlite",
                                         m_dir + "/fifo.sqlite", m_dir + "/link.sqlite", ""};
    if (geteuid() != 0) {
        std::string roDir = m_dir + "/ro";
        fs::create_directory(roDir);
        chmod(roDir.c_str(), 0500);
        unusable.push_back(roDir + "/registry.sqlite");
    }
    for (const std::string& path : unusable) {
        std::string error;
        EXPECT_EQ(SettingsStore::open(path, &error), nullptr) << path;
        EXPECT_NE(error.find(path.empty() ? "no settings store" : path), std::string::npos) << error;
    }
}

TEST_F(SettingsStoreTest, DefaultPathFollowsTheEnvironment)
{
    {
        ScopedEnv registry("TYPESTONE_REGISTRY", std::nullopt);
        ScopedEnv service("CONFIGURATION_DIRECTORY", std::nullopt);
        ScopedEnv config("XDG_CONFIG_HOME", m_dir + "/config");
        EXPECT_EQ(SettingsStore::defaultPath(), m_dir + "/config/typestone/registry.sqlite");
    }

    ScopedEnv registry("TYPESTONE_REGISTRY", m_path);
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
    EXPECT_NE(shared, SettingsStore::shared()) << "resetShared() did not drop the store";
    SettingsStore::resetShared();
}

TEST_F(SettingsStoreTest, ChangeCountSeesAnotherProcessWritingTheSharedStore)
{
    ScopedEnv registry("TYPESTONE_REGISTRY", m_path);
    SettingsStore::resetShared();
    auto shared = SettingsStore::shared();
    ASSERT_TRUE(shared);
    std::string text;
    shared->readString(RegRoot::CurrentUser, "Printers", "Password", &text);
    const uint64_t before = SettingsStore::changeCount();
    shared->readString(RegRoot::CurrentUser, "Printers", "Password", &text);
    EXPECT_EQ(SettingsStore::changeCount(), before) << "a read moved the count";

    // Another program (or a person with a tool) changes a value while the server keeps what
    // it read: the next look at the count must tell.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        auto store = SettingsStore::open(m_path);
        _exit(store &&
                      store->setString(RegRoot::CurrentUser, "Printers", "Password", "new") == StoreStatus::Ok
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const uint64_t after = SettingsStore::changeCount();
    EXPECT_NE(after, before) << "another process's write was not seen";
    EXPECT_EQ(shared->readString(RegRoot::CurrentUser, "Printers", "Password", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "new");
    EXPECT_EQ(SettingsStore::changeCount(), after);
    shared.reset();
    SettingsStore::resetShared();
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
                if (store->setString(RegRoot::CurrentUser, "Shared",
                                     "p" + std::to_string(p) + "_" + std::to_string(i),
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

TEST_F(SettingsStoreTest, ProcessesOpeningANewFileAtOnceAllSucceed)
{
    // Everyone waits on the pipe so that all of them lay hands on the new file together.
    constexpr int kProcesses = 6;
    const std::string path = m_dir + "/fresh.sqlite";
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> pids;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(gate[1]);
            char c;
            (void)!read(gate[0], &c, 1); // returns at the parent's close
            auto store = SettingsStore::open(path);
            bool ok = store && store->setDword(RegRoot::LocalMachine, "Start", "p" + std::to_string(p), 1) ==
                                   StoreStatus::Ok;
            _exit(ok ? 0 : 1);
        }
        pids.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto store = SettingsStore::open(path);
    ASSERT_TRUE(store);
    std::vector<RegValue> vals;
    ASSERT_EQ(store->values(RegRoot::LocalMachine, "Start", &vals), StoreStatus::Ok);
    EXPECT_EQ(vals.size(), size_t(kProcesses));
}

TEST_F(SettingsStoreTest, OneStoreSharedByThreads)
{
    constexpr int kThreads = 4;
    constexpr int kEach = 100;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            const std::string key = "Threads\\T" + std::to_string(t);
            for (int i = 0; i < kEach; ++i) {
                uint32_t back = 0;
                if (m_store->setDword(RegRoot::Users, key, "v" + std::to_string(i), uint32_t(i)) !=
                        StoreStatus::Ok ||
                    m_store->readDword(RegRoot::Users, key, "v" + std::to_string(i), &back) !=
                        StoreStatus::Ok ||
                    back != uint32_t(i))
                    ++failures[t];
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
    std::vector<std::string> keys;
    ASSERT_EQ(m_store->subkeys(RegRoot::Users, "Threads", &keys), StoreStatus::Ok);
    ASSERT_EQ(keys.size(), size_t(kThreads));
    for (const std::string& key : keys) {
        std::vector<RegValue> vals;
        ASSERT_EQ(m_store->values(RegRoot::Users, "Threads\\" + key, &vals), StoreStatus::Ok);
        EXPECT_EQ(vals.size(), size_t(kEach)) << key;
    }
}

} // namespace

namespace {

// What the batch test writes over: one value that exists, one in a key that does not yet.
std::vector<platform::ValueWrite> recordBatch(const std::string& text)
{
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    return {{"Printers\\Laser", "Shared", ValueType::String, bytes},
            {"Printers\\Laser", "Name", ValueType::String, bytes},
            {"Printers\\Laser\\DevCfg", "NewDevMode", ValueType::Binary, std::vector<uint8_t>(300, 7)},
            {"Printers", "Count", ValueType::String, {'1'}}};
}

} // namespace

TEST_F(SettingsStoreTest, BatchIsWrittenWholeOrNotAtAll)
{
    ASSERT_EQ(m_store->setString(RegRoot::Users, "Printers\\Laser", "Shared", "Yes"), StoreStatus::Ok);
    const std::vector<platform::ValueWrite> batch = recordBatch("No");
    // A store that fails at any point of the batch (a full disk) keeps what it held.
    for (int passing = 0; passing < int(batch.size()); ++passing) {
        SCOPED_TRACE(passing);
        m_store->failOperationsAfter(passing);
        EXPECT_EQ(m_store->setValues(RegRoot::Users, batch), StoreStatus::IoError);
        EXPECT_NE(SettingsStore::lastError().find(m_path), std::string::npos) << SettingsStore::lastError();
        m_store->failOperationsAfter(-1);
        std::string shared;
        EXPECT_EQ(m_store->readString(RegRoot::Users, "Printers\\Laser", "Shared", &shared), StoreStatus::Ok);
        EXPECT_EQ(shared, "Yes");
        EXPECT_EQ(m_store->value(RegRoot::Users, "Printers\\Laser", "Name", nullptr), StoreStatus::NotFound);
        EXPECT_FALSE(m_store->keyExists(RegRoot::Users, "Printers\\Laser\\DevCfg"));
    }
    // So does a batch with one value beyond the limits, wherever it stands.
    std::vector<platform::ValueWrite> tooLong = batch;
    tooLong.back().name.assign(SettingsStore::kMaxValueName + 1, 'n');
    EXPECT_EQ(m_store->setValues(RegRoot::Users, tooLong), StoreStatus::InvalidArgument);
    EXPECT_EQ(m_store->value(RegRoot::Users, "Printers\\Laser", "Name", nullptr), StoreStatus::NotFound);

    ASSERT_EQ(m_store->setValues(RegRoot::Users, batch), StoreStatus::Ok);
    std::string shared;
    EXPECT_EQ(m_store->readString(RegRoot::Users, "printers\\LASER", "Shared", &shared), StoreStatus::Ok);
    EXPECT_EQ(shared, "No");
    std::vector<uint8_t> devMode;
    EXPECT_EQ(m_store->readBinary(RegRoot::Users, "Printers\\Laser\\DevCfg", "NewDevMode", &devMode),
              StoreStatus::Ok);
    EXPECT_EQ(devMode, std::vector<uint8_t>(300, 7));
    EXPECT_EQ(m_store->setValues(RegRoot::Users, {}), StoreStatus::Ok);
}

TEST_F(SettingsStoreTest, CheckFindsCutAndDamagedFiles)
{
    // Enough values for the tables to span many pages.
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(m_store->setString(RegRoot::Users, "Big\\Key" + std::to_string(i % 20),
                                     "v" + std::to_string(i), std::string(200, 'a' + i % 26)),
                  StoreStatus::Ok);
    std::string error;
    EXPECT_EQ(m_store->verify(&error), StoreStatus::Ok) << error;
    m_store.reset(); // the last connection folds the journal into the file
    const std::string good = m_dir + "/good.sqlite";
    fs::copy_file(m_path, good);
    const auto size = fs::file_size(good);
    ASSERT_GT(size, 16u * 4096u);

    struct Damage
    {
        const char* what;
        std::function<void(const std::string&)> apply;
    } damages[] = {
        {"cut to a third", [&](const std::string& p) { fs::resize_file(p, (size / 3) / 4096 * 4096); }},
        {"cut inside a page", [&](const std::string& p) { fs::resize_file(p, size / 2 + 1000); }},
        {"a page overwritten",
         [&](const std::string& p) {
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(std::streamoff(size / 4096 / 2 * 4096));
             const std::string junk(4096, '\xA5');
             f.write(junk.data(), std::streamsize(junk.size()));
         }},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        const std::string path = m_dir + "/damaged.sqlite";
        fs::remove(path);
        fs::copy_file(good, path);
        d.apply(path);
        std::string why;
        std::unique_ptr<SettingsStore> store = SettingsStore::open(path, &why);
        if (store) {
            // Opened (the header and the schema are intact): the check finds the damage.
            const StoreStatus status = store->verify(&why);
            EXPECT_TRUE(status == StoreStatus::Corrupt || status == StoreStatus::IoError)
                << platform::storeStatusText(status);
        }
        EXPECT_NE(why.find(path), std::string::npos) << why;
    }

    // A failing read is the store's failure, not a missing value.
    std::unique_ptr<SettingsStore> store = SettingsStore::open(good, &error);
    ASSERT_TRUE(store) << error;
    store->failOperationsAfter(0);
    EXPECT_EQ(store->verify(&error), StoreStatus::IoError);
    EXPECT_EQ(store->value(RegRoot::Users, "Big\\Key1", "v1", nullptr), StoreStatus::IoError);
    store->failOperationsAfter(-1);
    EXPECT_EQ(store->value(RegRoot::Users, "Big\\Key1", "v1", nullptr), StoreStatus::Ok);
}

// Another process holds the store locked: a write waits its own bound, but once the process
// limits its waits (it is stopping) a write fails as busy at the limit instead, and a limit
// of 0 ends every wait at once.
TEST_F(SettingsStoreTest, LimitedWaitsEndOnALockedStore)
{
    ASSERT_EQ(m_store->setString(RegRoot::CurrentUser, kKey, "A", "1"), StoreStatus::Ok);
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(holder);

    SettingsStore::limitWaits(0);
    const auto start = std::chrono::steady_clock::now();
    // Without the limit each of these would wait the store's own 5 s: 20 s in all.
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(m_store->setString(RegRoot::CurrentUser, kKey, "A", "2"), StoreStatus::Ok);
    const auto tookMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    SettingsStore::unlimitWaits();
    EXPECT_LT(tookMs, 15000);

    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    std::string text;
    ASSERT_EQ(m_store->readString(RegRoot::CurrentUser, kKey, "A", &text), StoreStatus::Ok);
    EXPECT_EQ(text, "1");
    EXPECT_EQ(m_store->setString(RegRoot::CurrentUser, kKey, "A", "3"), StoreStatus::Ok);
}

// Reads lock the connection per statement, not per key walk: readers walking a deep path and
// writers changing, making and deleting keys beside it at the same time still see only whole
// values that were written, and no call fails.
TEST_F(SettingsStoreTest, ReadersAndWritersOfManyThreadsSeeWholeValues)
{
    const std::string deep = "Software\\KLV\\Typestone\\Printers\\Laser\\DevCfg";
    ASSERT_EQ(m_store->setDword(RegRoot::Users, deep, "n", 0), StoreStatus::Ok);
    constexpr int kWrites = 200;
    std::atomic<bool> writing{true};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    // A writer of the value the readers read: each batch writes the same number twice.
    threads.emplace_back([&] {
        for (uint32_t i = 1; i <= kWrites; ++i) {
            const uint8_t le[4] = {uint8_t(i), uint8_t(i >> 8), 0, 0};
            std::vector<platform::ValueWrite> batch = {
                {deep, "n", ValueType::Dword, std::vector<uint8_t>(le, le + 4)},
                {deep, "m", ValueType::Dword, std::vector<uint8_t>(le, le + 4)}};
            if (m_store->setValues(RegRoot::Users, batch) != StoreStatus::Ok)
                ++failures;
        }
        writing = false;
    });
    // A writer of keys beside the path, made and deleted again.
    threads.emplace_back([&] {
        for (int i = 0; writing; ++i) {
            const std::string key = "Software\\KLV\\Typestone\\Printers\\P" + std::to_string(i % 7);
            if (m_store->setString(RegRoot::Users, key, "Shared", "Yes") != StoreStatus::Ok ||
                m_store->deleteValue(RegRoot::Users, key, "Shared") != StoreStatus::Ok ||
                m_store->deleteKey(RegRoot::Users, key) != StoreStatus::Ok)
                ++failures;
        }
    });
    std::vector<int> lastSeen(3, 0);
    for (int r = 0; r < 3; ++r)
        threads.emplace_back([&, r] {
            while (writing) {
                uint32_t n = 0;
                if (m_store->readDword(RegRoot::Users, deep, "n", &n) != StoreStatus::Ok ||
                    int(n) < lastSeen[r] || n > uint32_t(kWrites))
                    ++failures;
                lastSeen[r] = int(n);
                std::vector<std::string> keys;
                if (m_store->subkeys(RegRoot::Users, "Software\\KLV\\Typestone\\Printers", &keys) !=
                    StoreStatus::Ok)
                    ++failures;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    uint32_t n = 0;
    uint32_t m = 0;
    ASSERT_EQ(m_store->readDword(RegRoot::Users, deep, "n", &n), StoreStatus::Ok);
    ASSERT_EQ(m_store->readDword(RegRoot::Users, deep, "m", &m), StoreStatus::Ok);
    EXPECT_EQ(n, uint32_t(kWrites));
    EXPECT_EQ(m, n);
}

// The change count tells a reader when what it kept may be stale: every committed change
// moves it, reads and refused or failed changes do not.
TEST_F(SettingsStoreTest, ChangeCountMovesWithEveryCommittedChangeOnly)
{
    const std::string key = "Printers\\Laser";
    struct Case
    {
        const char* what;
        std::function<StoreStatus()> call;
        bool changes;
    };
    const std::vector<uint8_t> yes = {'Y', 'e', 's'};
    const Case cases[] = {
        {"setString", [&] { return m_store->setString(RegRoot::Users, key, "Shared", "Yes"); }, true},
        {"setValues",
         [&] {
             return m_store->setValues(RegRoot::Users, {{key, "Name", ValueType::String, yes}});
         },
         true},
        {"readString",
         [&] {
             std::string text;
             return m_store->readString(RegRoot::Users, key, "Shared", &text);
         },
         false},
        {"subkeys",
         [&] {
             std::vector<std::string> keys;
             return m_store->subkeys(RegRoot::Users, "Printers", &keys);
         },
         false},
        {"deleteValue", [&] { return m_store->deleteValue(RegRoot::Users, key, "Name"); }, true},
        {"deleteValue of a missing value", [&] { return m_store->deleteValue(RegRoot::Users, key, "Name"); },
         false},
        {"deleteKey with subkeys", [&] { return m_store->deleteKey(RegRoot::Users, "Printers"); }, false},
        {"failing write",
         [&] {
             m_store->failOperationsAfter(0);
             const StoreStatus s = m_store->setString(RegRoot::Users, key, "Shared", "No");
             m_store->failOperationsAfter(-1);
             return s;
         },
         false},
        {"rewriteValues",
         [&] {
             return m_store->rewriteValues(RegRoot::Users, key, [](std::vector<RegValue>& values) {
                 values.clear();
                 return true;
             });
         },
         true},
    };
    for (const Case& c : cases) {
        const uint64_t before = SettingsStore::changeCount();
        const StoreStatus status = c.call();
        if (c.changes) {
            EXPECT_EQ(status, StoreStatus::Ok) << c.what;
        }
        EXPECT_EQ(SettingsStore::changeCount() != before, c.changes) << c.what;
    }
}
