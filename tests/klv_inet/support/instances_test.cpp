// Instances across processes: the first-instance test, the shared instance table, and the
// running list with its close requests.

#include "klv_inet/support/instances.h"
#include "klv_inet/support/map_instance.h"
#include "klv_inet/support/reg_section.h"

#include "platform/sysinfo/processes.h"

#include "store_fixture.h"
#include "tests/platform/sync/sync_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <sys/mman.h>

using synctest::ChildProcess;
using synctest::Pipe;
using namespace std::chrono_literals;

namespace {

constexpr auto kLong = 10s;

class InstancesTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        std::filesystem::create_directories(env.path("run"));
        std::filesystem::permissions(env.path("run"), std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", env.path("run").c_str(), 1);
        static std::atomic<int> counter{0};
        app = "TsInst" + std::to_string(getpid()) + "x" + std::to_string(counter++);
    }
    void TearDown() override
    {
        unsetenv("XDG_RUNTIME_DIR");
        StoreTest::TearDown();
    }
    std::string runningKey() const
    {
        std::string key;
        FormSection(key, "Running", upper(app).c_str());
        return key.substr(std::string(".DEFAULT\\").size());
    }
    static std::string upper(std::string s)
    {
        for (char& c : s)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }
    void writeList(const std::vector<std::pair<uint32_t, std::string>>& entries)
    {
        for (uint32_t i = 0; i < entries.size(); ++i) {
            store->setDword(platform::RegRoot::CurrentUser, runningKey(), "hWnd" + std::to_string(i),
                            entries[i].first);
            store->setString(platform::RegRoot::CurrentUser, runningKey(), "Start" + std::to_string(i),
                             entries[i].second);
        }
        store->setDword(platform::RegRoot::CurrentUser, runningKey(), "Count", uint32_t(entries.size()));
    }
    uint32_t count()
    {
        uint32_t n = 0;
        store->readDword(platform::RegRoot::CurrentUser, runningKey(), "Count", &n);
        return n;
    }

    std::string app;
};

TEST_F(InstancesTest, FirstInstanceAcrossProcessesAndAfterAKilledHolder)
{
    std::string log;
    EXPECT_EQ(IsFirstInstance(app.c_str(), 0, &log), 1);
    EXPECT_NE(log.find("szMutexName='" + upper(app) + "_First'"), std::string::npos) << log;
    EXPECT_NE(log.find("bFirst=TRUE"), std::string::npos) << log;
    EXPECT_EQ(IsFirstInstance(upper(app).c_str(), 0, nullptr), 1) << "the same process asks again";

    // Another process, the name in another case: not first.
    const std::string lower = [&] {
        std::string s = app;
        for (char& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }();
    ChildProcess second([&] { return IsFirstInstance(lower.c_str(), 0, nullptr) == 0 ? 0 : 10; });
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitExit(kLong), 0);

    // A first instance that is killed leaves the name free.
    const std::string other = app + "K";
    Pipe toParent;
    ChildProcess holder([&] {
        if (IsFirstInstance(other.c_str(), 0, nullptr) != 1)
            return 10;
        toParent.send('F');
        for (;;)
            pause();
    });
    ASSERT_TRUE(holder.started());
    ASSERT_EQ(toParent.receive(kLong), 'F');
    ChildProcess meanwhile([&] { return IsFirstInstance(other.c_str(), 0, nullptr) == 0 ? 0 : 10; });
    EXPECT_EQ(meanwhile.waitExit(kLong), 0);
    holder.killHard();
    ASSERT_EQ(holder.waitExit(kLong), -2);
    EXPECT_EQ(IsFirstInstance(other.c_str(), 0, nullptr), 1);
}

TEST_F(InstancesTest, RunningListDropsDeadAndReusedEntries)
{
    // A process that ended, and our own id with another start stamp (a reused id).
    pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    ASSERT_GT(gone, 0);
    int status = 0;
    ASSERT_EQ(waitpid(gone, &status, 0), gone);
    const uint32_t self = uint32_t(getpid());
    const std::string stamp = platform::sysinfo::processStamp(self);
    ASSERT_FALSE(stamp.empty());
    writeList({{uint32_t(gone), ""}, {self, "1@another-boot"}, {self, stamp}});

    std::vector<klv::RunningInstance> list = klv::ReadRunningList(app.c_str(), "", 0);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].pid, self);
    EXPECT_EQ(count(), 1u) << "the pruned list is written back";
    uint32_t first = 0;
    store->readDword(platform::RegRoot::CurrentUser, runningKey(), "hWnd0", &first);
    EXPECT_EQ(first, self);

    // A title filter that the process's name does not contain drops it too.
    EXPECT_TRUE(klv::ReadRunningList(app.c_str(), "no-such-program", 0).empty());
    // A list whose instances have all gone reads as empty and is removed by that read.
    EXPECT_FALSE(store->keyExists(platform::RegRoot::CurrentUser, runningKey()));

    // A damaged count is not followed past what is there.
    store->setDword(platform::RegRoot::CurrentUser, runningKey(), "Count", 0xFFFFFFFFu);
    EXPECT_TRUE(klv::ReadRunningList(app.c_str(), "", 0).empty());
}

TEST_F(InstancesTest, RunningAndHaltedRecordThisProcess)
{
    AppInstanceRunning(app.c_str());
    AppInstanceRunning(app.c_str()); // listed once
    std::vector<klv::RunningInstance> list = klv::ReadRunningList(app.c_str(), "", 0);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].pid, uint32_t(getpid()));
    EXPECT_EQ(list[0].stamp, platform::sysinfo::processStamp(uint32_t(getpid())));

    AppInstanceHalted(app.c_str());
    EXPECT_TRUE(klv::ReadRunningList(app.c_str(), "", 0).empty());
    EXPECT_FALSE(store->keyExists(platform::RegRoot::CurrentUser, runningKey()));
    EXPECT_EQ(CloseAnyRunning(app.c_str(), 16, 0, 0), 1) << "nobody to close";
}

TEST_F(InstancesTest, CloseAnyRunningAsksTheOthersAndWaitsForThem)
{
    Pipe toParent;
    Pipe request;
    const std::string name = app;
    ChildProcess other([&] {
        std::atomic<bool> asked{false};
        SetInstanceRequestHandler([&](unsigned msg, uint64_t w, int64_t l) {
            if (msg == 16 && w == 7 && l == -3)
                asked = true;
        });
        AppInstanceRunning(name.c_str());
        toParent.send('R');
        for (int i = 0; i < 1000 && !asked; ++i)
            std::this_thread::sleep_for(10ms);
        if (!asked)
            return 10;
        AppInstanceHalted(name.c_str());
        return 0;
    });
    ASSERT_TRUE(other.started());
    ASSERT_EQ(toParent.receive(kLong), 'R');
    ASSERT_EQ(klv::ReadRunningList(app.c_str(), "", 0).size(), 1u);

    EXPECT_EQ(CloseAnyRunning(app.c_str(), 16, 7, -3), 1);
    EXPECT_EQ(other.waitExit(kLong), 0);
    EXPECT_TRUE(klv::ReadRunningList(app.c_str(), "", 0).empty());
}

class MapInstanceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static std::atomic<int> counter{0};
        name = "ts-map-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    }
    void TearDown() override { shm_unlink(("/" + name).c_str()); }
    std::string name;
};

TEST_F(MapInstanceTest, TableSharedByTwoProcesses)
{
    CMapInstance mine(name.c_str(), 256);
    ASSERT_NE(mine.GetMemPtr(), nullptr);
    EXPECT_TRUE(mine.IsNew());
    EXPECT_EQ(mine.SemaName(), name + "_Sema");
    EXPECT_EQ(mine.CountInstances(nullptr), 0) << "new memory is an empty table";
    EXPECT_EQ(mine.InstanceToIndex(100), 0);

    Pipe toParent, toChild;
    const std::string shared = name;
    ChildProcess other([&] {
        CMapInstance m(shared.c_str(), 256);
        if (!m.GetMemPtr() || m.IsNew())
            return 10;
        if (m.SearchInstance(100) != 1 || m.InstanceToIndex(200) != 1)
            return 11;
        toParent.send('A');
        return toChild.receive(kLong) == 'Q' ? 0 : 12;
    });
    ASSERT_TRUE(other.started());
    ASSERT_EQ(toParent.receive(kLong), 'A');
    EXPECT_EQ(mine.CountInstances(nullptr), 2);
    EXPECT_EQ(mine.IsHigherInstance(1), 1);
    EXPECT_EQ(mine.IsHigherInstance(0), 0);
    EXPECT_EQ(mine.ResetIndexOfInstance(0), 1);
    EXPECT_EQ(mine.ResetIndexOfInstance(9), 0) << "outside the table: nothing thrown, nothing changed";
    EXPECT_EQ(mine.InstanceToIndex(300), 0) << "the freed slot is taken again";
    toChild.send('Q');
    EXPECT_EQ(other.waitExit(kLong), 0);
    EXPECT_EQ(std::string(static_cast<const char*>(mine.GetMemPtr())).substr(0, 10), "2 300 200 ");

    // Without a name there is no memory, and each operation answers its failure value.
    CMapInstance none;
    EXPECT_EQ(none.GetMemPtr(), nullptr);
    EXPECT_EQ(none.InstanceToIndex(1), -1);
    EXPECT_EQ(none.ResetIndexOfInstance(0), 0);
    EXPECT_EQ(none.IsHigherInstance(0), 0);
    EXPECT_EQ(none.SearchInstance(1), 0);
    EXPECT_EQ(none.CountInstances(nullptr), -1);
}

TEST_F(MapInstanceTest, TableThatWouldOverrunTheMemoryIsNotWritten)
{
    CMapInstance small(name.c_str(), 16);
    ASSERT_NE(small.GetMemPtr(), nullptr);
    EXPECT_EQ(small.InstanceToIndex(1000000), 0); // "1 1000000 " fits in 16 bytes
    EXPECT_EQ(small.InstanceToIndex(2000000), -1) << "the second number no longer fits";
    EXPECT_EQ(small.CountInstances(nullptr), 1);
}

TEST_F(MapInstanceTest, SemaphoreHeldByAKilledProcessIsFreed)
{
    CMapInstance mine(name.c_str(), 256);
    ASSERT_NE(mine.GetMemPtr(), nullptr);
    Pipe toParent;
    const std::string shared = name;
    ChildProcess holder([&] {
        CMapInstance m(shared.c_str(), 256);
        if (!m.Lock(1s))
            return 10;
        toParent.send('L');
        for (;;)
            pause();
    });
    ASSERT_TRUE(holder.started());
    ASSERT_EQ(toParent.receive(kLong), 'L');
    EXPECT_FALSE(mine.Lock(100ms)) << "the wait ends at its time-out";
    holder.killHard();
    ASSERT_EQ(holder.waitExit(kLong), -2);
    EXPECT_EQ(mine.InstanceToIndex(5), 0);
}

} // namespace
