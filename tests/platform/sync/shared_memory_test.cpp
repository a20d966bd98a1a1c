#include "platform/sync/shared_memory.h"

#include "tests/platform/sync/sync_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <vector>

using platform::sync::SharedMemory;
using synctest::ChildProcess;
using synctest::Pipe;
using synctest::TempDir;
using namespace std::chrono_literals;

namespace {

constexpr auto kLong = 10s;
constexpr size_t kSize = 1024;

class SharedMemoryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.path().empty());
        static std::atomic<int> counter{0};
        // Unique per process and test, so parallel runs never meet.
        m_name = "ts-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    }
    void TearDown() override { shm_unlink(("/" + m_name).c_str()); }

    // A runtime folder of another instance, as a second server started by another user setup
    // would have.
    std::string otherRuntime() const { return m_dir.path() + "/other-run"; }
    bool exists() const
    {
        int fd = shm_open(("/" + m_name).c_str(), O_RDONLY, 0);
        if (fd >= 0)
            close(fd);
        return fd >= 0;
    }

    TempDir m_dir;
    std::string m_name;
};

bool allZero(const SharedMemory& m)
{
    for (size_t i = 0; i < m.size(); ++i)
        if (m.constData()[i] != 0)
            return false;
    return true;
}

} // namespace

TEST_F(SharedMemoryTest, OwnerCreatesZeroedMemoryReadableByAll)
{
    const mode_t oldMask = umask(077); // the mode must not depend on the umask
    SharedMemory owner;
    const bool created = owner.create(m_name, kSize, 0644);
    umask(oldMask);
    ASSERT_TRUE(created) << owner.errorString();

    EXPECT_TRUE(owner.isAttached());
    EXPECT_TRUE(owner.isOwner());
    EXPECT_TRUE(owner.isWritable());
    EXPECT_EQ(owner.name(), "/" + m_name);
    EXPECT_EQ(owner.size(), kSize);
    ASSERT_NE(owner.data(), nullptr);
    EXPECT_TRUE(allZero(owner));

    int fd = shm_open(owner.name().c_str(), O_RDONLY, 0);
    ASSERT_GE(fd, 0);
    struct stat st
    {
    };
    ASSERT_EQ(fstat(fd, &st), 0);
    close(fd);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(st.st_size, static_cast<off_t>(kSize));

    owner.close();
    EXPECT_FALSE(owner.isAttached());
    EXPECT_FALSE(exists()) << "the owner removes the object";
}

TEST_F(SharedMemoryTest, BadArgumentsAreRefused)
{
    struct Case
    {
        std::string name;
        size_t size;
    };
    const Case cases[] = {
        {"", kSize},
        {m_name, 0},
        {m_name, SharedMemory::kMaxSize + 1},
    };
    for (const Case& c : cases) {
        SharedMemory m;
        EXPECT_FALSE(m.create(c.name, c.size, 0644)) << "'" << c.name << "' " << c.size;
        EXPECT_FALSE(m.errorString().empty());
        EXPECT_FALSE(m.isAttached());
    }
    EXPECT_FALSE(exists());

    SharedMemory reader;
    EXPECT_FALSE(reader.openReadOnly(m_name));
    EXPECT_NE(reader.errorString().find(m_name), std::string::npos) << reader.errorString();
    EXPECT_FALSE(reader.openReadOnly(""));

    // An object of no size (as a foreign creator could leave one) is not mapped.
    int fd = shm_open(("/" + m_name).c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_FALSE(reader.openReadOnly(m_name));
    EXPECT_FALSE(reader.isAttached());
}

TEST_F(SharedMemoryTest, AccessesStayInsideTheMapping)
{
    SharedMemory owner;
    ASSERT_TRUE(owner.create(m_name, kSize, 0644)) << owner.errorString();
    // Source and target are as large as the mapping; a refused call must not touch them.
    std::vector<char> source(kSize, 'a');
    std::vector<char> target(kSize, 0);
    struct Case
    {
        size_t offset;
        size_t length;
        bool ok;
    };
    const Case cases[] = {
        {0, kSize, true},      {kSize - 8, 8, true},  {kSize, 0, true},
        {kSize - 7, 8, false}, {kSize + 1, 0, false}, {SIZE_MAX, 2, false}, // offset + length wraps around
        {1, SIZE_MAX, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << " length " << c.length);
        EXPECT_EQ(owner.write(c.offset, source.data(), c.length), c.ok);
        EXPECT_EQ(owner.read(c.offset, target.data(), c.length), c.ok);
    }
    EXPECT_EQ(target, source);

    const char text[] = "2 LPT1";
    char back[sizeof text] = {};
    ASSERT_TRUE(owner.write(0, text, sizeof text));
    SharedMemory reader;
    ASSERT_TRUE(reader.openReadOnly(m_name)) << reader.errorString();
    EXPECT_FALSE(reader.isWritable());
    EXPECT_FALSE(reader.isOwner());
    EXPECT_EQ(reader.data(), nullptr);
    EXPECT_FALSE(reader.write(0, "x", 1));
    ASSERT_TRUE(reader.read(0, back, sizeof text));
    EXPECT_STREQ(back, text);
}

TEST_F(SharedMemoryTest, SecondProcessReadsWhatTheOwnerWrote)
{
    SharedMemory owner;
    ASSERT_TRUE(owner.create(m_name, kSize, 0644)) << owner.errorString();
    const std::string status("1 LPT1\0host-a\0"
                             "512 1 1 ",
                             22);
    ASSERT_TRUE(owner.write(0, status.data(), status.size()));

    const std::string name = m_name;
    ChildProcess reader([&] {
        SharedMemory m;
        if (!m.openReadOnly(name))
            return 10;
        if (m.size() != kSize)
            return 11;
        if (std::memcmp(m.constData(), status.data(), status.size()) != 0)
            return 12;
        if (m.constData()[status.size()] != 0)
            return 13;
        // A reader is no owner: closing must leave the object in place.
        m.close();
        return 0;
    });
    ASSERT_TRUE(reader.started());
    EXPECT_EQ(reader.waitExit(kLong), 0);
    EXPECT_TRUE(exists());
}

TEST_F(SharedMemoryTest, SecondCreatorIsRefusedWhileTheOwnerLives)
{
    SharedMemory owner;
    ASSERT_TRUE(owner.create(m_name, kSize, 0644)) << owner.errorString();
    ASSERT_TRUE(owner.write(0, "keep", 4));

    SharedMemory sameProcess;
    EXPECT_FALSE(sameProcess.create(m_name, kSize, 0644));
    EXPECT_NE(sameProcess.errorString().find("already owned by a running process"), std::string::npos)
        << sameProcess.errorString();

    // Another instance with a runtime folder of its own: the owner's liveness is on the
    // object, so the other folder changes nothing.
    const std::string name = m_name;
    const std::string runtime = otherRuntime();
    ChildProcess other([&] {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        SharedMemory m;
        if (m.create(name, kSize, 0644))
            return 10;
        if (m.errorString().find("already owned by a running process") == std::string::npos)
            return 11;
        SharedMemory shared; // nor may a shared holder take over an owned object
        return shared.openShared(name, kSize) ? 12 : 0;
    });
    ASSERT_TRUE(other.started());
    EXPECT_EQ(other.waitExit(kLong), 0);

    // The refused creators left the owner's object alone: mapped, readable, unchanged, and
    // still the one a reader finds by name.
    EXPECT_TRUE(exists());
    EXPECT_EQ(std::memcmp(owner.constData(), "keep", 4), 0);
    ASSERT_TRUE(owner.write(4, "!", 1));
    SharedMemory reader;
    ASSERT_TRUE(reader.openReadOnly(m_name));
    EXPECT_EQ(std::memcmp(reader.constData(), "keep!", 5), 0);
}

TEST_F(SharedMemoryTest, StaleObjectOfAKilledOwnerIsReplaced)
{
    Pipe toParent;
    ASSERT_TRUE(toParent.ok());
    const std::string name = m_name;
    ChildProcess owner([&] {
        SharedMemory m;
        if (!m.create(name, 64, 0644) || !m.write(0, "stale", 5))
            return 10;
        toParent.send('C');
        for (;;)
            pause();
    });
    ASSERT_TRUE(owner.started());
    ASSERT_EQ(toParent.receive(kLong), 'C');
    owner.killHard();
    ASSERT_EQ(owner.waitExit(kLong), -2);
    ASSERT_TRUE(exists()) << "a killed owner leaves its object behind";

    SharedMemory fresh;
    ASSERT_TRUE(fresh.create(m_name, kSize, 0644)) << fresh.errorString();
    EXPECT_EQ(fresh.size(), kSize);
    EXPECT_TRUE(allZero(fresh)) << "the stale contents must be gone";

    SharedMemory reader;
    ASSERT_TRUE(reader.openReadOnly(m_name));
    EXPECT_EQ(reader.size(), kSize);
}

TEST_F(SharedMemoryTest, SharedHoldersSeeOneObjectAndTheLastRemovesIt)
{
    SharedMemory first;
    bool created = false;
    ASSERT_TRUE(first.openShared(m_name, kSize, 0600, &created)) << first.errorString();
    EXPECT_TRUE(created);
    EXPECT_TRUE(first.isShared());
    EXPECT_FALSE(first.isOwner());
    EXPECT_TRUE(allZero(first));
    ASSERT_TRUE(first.write(0, "3 1 0 2 ", 8));

    // A second holder in another process takes the object as it is, with its own size.
    Pipe toParent, toChild;
    const std::string name = m_name;
    ChildProcess other([&] {
        SharedMemory m;
        bool made = true;
        if (!m.openShared(name, 64, 0600, &made) || made || m.size() != kSize)
            return 10;
        if (std::memcmp(m.constData(), "3 1 0 2 ", 8) != 0)
            return 11;
        if (!m.write(8, "x", 1))
            return 12;
        toParent.send('A');
        if (toChild.receive(kLong) != 'Q')
            return 13;
        m.close(); // not the last: the object stays
        return 0;
    });
    ASSERT_TRUE(other.started());
    ASSERT_EQ(toParent.receive(kLong), 'A');
    EXPECT_EQ(first.constData()[8], 'x');
    toChild.send('Q');
    EXPECT_EQ(other.waitExit(kLong), 0);
    EXPECT_TRUE(exists());

    first.close();
    EXPECT_FALSE(exists()) << "the last holder removes the object";
}

TEST_F(SharedMemoryTest, LeftoverOfDeadHoldersIsMadeAfresh)
{
    Pipe toParent;
    const std::string name = m_name;
    ChildProcess holder([&] {
        SharedMemory m;
        if (!m.openShared(name, kSize) || !m.write(0, "old", 3))
            return 10;
        toParent.send('H');
        for (;;)
            pause();
    });
    ASSERT_TRUE(holder.started());
    ASSERT_EQ(toParent.receive(kLong), 'H');
    holder.killHard();
    ASSERT_EQ(holder.waitExit(kLong), -2);
    ASSERT_TRUE(exists());

    SharedMemory next;
    bool created = false;
    ASSERT_TRUE(next.openShared(m_name, kSize, 0600, &created)) << next.errorString();
    EXPECT_TRUE(created);
    EXPECT_TRUE(allZero(next));
}

TEST_F(SharedMemoryTest, GuardExcludesHoldersAndDiesWithAKilledHolder)
{
    SharedMemory mine;
    ASSERT_TRUE(mine.openShared(m_name, kSize)) << mine.errorString();
    SharedMemory noObject;
    EXPECT_FALSE(noObject.lockGuard(0ms)) << "a guard needs a shared object";

    Pipe toParent;
    const std::string name = m_name;
    ChildProcess holder([&] {
        SharedMemory m;
        if (!m.openShared(name, kSize) || !m.lockGuard(1s))
            return 10;
        toParent.send('G');
        for (;;)
            pause();
    });
    ASSERT_TRUE(holder.started());
    ASSERT_EQ(toParent.receive(kLong), 'G');

    // The wait for a guard that stays taken ends at its time-out.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(mine.lockGuard(150ms));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 150ms);
    EXPECT_LT(waited, 5s);

    // Killed while holding it: the guard is free again.
    holder.killHard();
    ASSERT_EQ(holder.waitExit(kLong), -2);
    EXPECT_TRUE(mine.lockGuard(kLong));
    EXPECT_TRUE(mine.holdsGuard());

    // Within one process, two objects of one name exclude each other as well; attaching
    // waits for the guard too.
    SharedMemory second;
    EXPECT_FALSE(second.openShared(m_name, kSize, 0600, nullptr, 50ms));
    mine.unlockGuard();
    ASSERT_TRUE(second.openShared(m_name, kSize)) << second.errorString();
    ASSERT_TRUE(mine.lockGuard(0ms));
    EXPECT_FALSE(second.lockGuard(0ms));
    mine.unlockGuard();
    EXPECT_TRUE(second.lockGuard(0ms));
}
