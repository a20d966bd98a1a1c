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

    std::string locks() const { return m_dir.path() + "/locks"; }
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
    const bool created = owner.create(m_name, kSize, 0644, locks());
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
        EXPECT_FALSE(m.create(c.name, c.size, 0644, locks())) << "'" << c.name << "' " << c.size;
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
    ASSERT_TRUE(owner.create(m_name, kSize, 0644, locks())) << owner.errorString();
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
    ASSERT_TRUE(owner.create(m_name, kSize, 0644, locks())) << owner.errorString();
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
    ASSERT_TRUE(owner.create(m_name, kSize, 0644, locks())) << owner.errorString();
    ASSERT_TRUE(owner.write(0, "keep", 4));

    SharedMemory sameProcess;
    EXPECT_FALSE(sameProcess.create(m_name, kSize, 0644, locks()));
    EXPECT_NE(sameProcess.errorString().find("already owned by a running process"), std::string::npos)
        << sameProcess.errorString();

    const std::string name = m_name;
    const std::string lockFolder = locks();
    ChildProcess other([&] {
        SharedMemory m;
        if (m.create(name, kSize, 0644, lockFolder))
            return 10;
        return m.errorString().find("already owned by a running process") != std::string::npos ? 0 : 11;
    });
    ASSERT_TRUE(other.started());
    EXPECT_EQ(other.waitExit(kLong), 0);

    // The refused creators left the owner's object alone.
    EXPECT_TRUE(exists());
    SharedMemory reader;
    ASSERT_TRUE(reader.openReadOnly(m_name));
    EXPECT_EQ(std::memcmp(reader.constData(), "keep", 4), 0);
}

TEST_F(SharedMemoryTest, StaleObjectOfAKilledOwnerIsReplaced)
{
    Pipe toParent;
    ASSERT_TRUE(toParent.ok());
    const std::string name = m_name;
    const std::string lockFolder = locks();
    ChildProcess owner([&] {
        SharedMemory m;
        if (!m.create(name, 64, 0644, lockFolder) || !m.write(0, "stale", 5))
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
    ASSERT_TRUE(fresh.create(m_name, kSize, 0644, locks())) << fresh.errorString();
    EXPECT_EQ(fresh.size(), kSize);
    EXPECT_TRUE(allZero(fresh)) << "the stale contents must be gone";

    SharedMemory reader;
    ASSERT_TRUE(reader.openReadOnly(m_name));
    EXPECT_EQ(reader.size(), kSize);
}
