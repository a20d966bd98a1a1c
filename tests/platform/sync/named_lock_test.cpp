#include "platform/sync/named_lock.h"
#include "platform/sync/named_lock_guard.h"

#include "tests/platform/sync/sync_test_util.h"
#include "tests/support/env/scoped_env.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <thread>

using platform::sync::NamedLock;
using platform::sync::NamedLockGuard;
using synctest::ChildProcess;
using synctest::Pipe;
using synctest::TempDir;
using ts::support::ScopedEnv;
using namespace std::chrono_literals;

namespace {

constexpr auto kLong = 10s;

class NamedLockTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(m_dir.path().empty()); }
    std::string folder() const { return m_dir.path() + "/locks"; }

    TempDir m_dir;
};

} // namespace

TEST(NamedLockNameTest, NamesAreSanitisedAndBounded)
{
    struct Case
    {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"Typestone-Job_1.x", "Typestone-Job_1.x"},
        {"a/b", "a_b"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"with space\tand\\back", "with_space_and_back"},
        {std::string("nul\0byte", 8), "nul_byte"},
        {"\xc3\xa4", "__"}, // each byte of a UTF-8 sequence
        {std::string(300, 'x'), std::string(NamedLock::kMaxNameLength, 'x')},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NamedLock::sanitizeName(c.in), c.out) << "input '" << c.in << "'";
}

TEST_F(NamedLockTest, EmptyNameIsRefused)
{
    NamedLock lock("", folder());
    EXPECT_FALSE(lock.tryLock(0ms));
    EXPECT_EQ(lock.error(), NamedLock::Error::InvalidName);
    EXPECT_FALSE(lock.errorString().empty());
    EXPECT_FALSE(lock.isLocked());
}

TEST_F(NamedLockTest, CreatesAPrivateLockFileInItsFolder)
{
    NamedLock lock("dir/name", folder());
    ASSERT_TRUE(lock.tryLock(0ms)) << lock.errorString();
    EXPECT_EQ(lock.filePath(), folder() + "/dir_name.lock");
    struct stat st
    {
    };
    ASSERT_EQ(lstat(lock.filePath().c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Taking a lock already held by the same object is not an error.
    EXPECT_TRUE(lock.tryLock(0ms));
}

TEST_F(NamedLockTest, SameNameExcludesWithinTheProcess)
{
    NamedLock a("job", folder());
    NamedLock b("job", folder());
    NamedLock other("other", folder());
    ASSERT_TRUE(a.tryLock(0ms)) << a.errorString();
    EXPECT_FALSE(b.tryLock(0ms));
    EXPECT_EQ(b.error(), NamedLock::Error::Busy);
    EXPECT_FALSE(b.tryLock(30ms));
    EXPECT_EQ(b.error(), NamedLock::Error::Busy);
    EXPECT_TRUE(other.tryLock(0ms)) << "a different name must not be blocked";

    a.unlock();
    EXPECT_FALSE(a.isLocked());
    EXPECT_TRUE(b.tryLock(0ms)) << b.errorString();
    EXPECT_FALSE(a.tryLock(0ms));
}

TEST_F(NamedLockTest, WaitingLockerGetsItWhenReleased)
{
    NamedLock a("job", folder());
    ASSERT_TRUE(a.tryLock(0ms));
    std::atomic<int> result{-1};
    std::thread waiter([&] {
        NamedLock b("job", folder());
        result = b.tryLock(kLong) ? 1 : 0;
    });
    std::this_thread::sleep_for(20ms);
    a.unlock();
    waiter.join();
    EXPECT_EQ(result, 1);
}

TEST_F(NamedLockTest, GuardReleasesAtScopeEnd)
{
    NamedLock a("job", folder());
    NamedLock b("job", folder());
    {
        NamedLockGuard guard(a, 0ms);
        ASSERT_TRUE(guard.isLocked()) << a.errorString();
        EXPECT_FALSE(b.tryLock(0ms));
    }
    EXPECT_FALSE(a.isLocked());
    ASSERT_TRUE(b.tryLock(0ms));
    {
        NamedLockGuard guard(a, 0ms);
        EXPECT_FALSE(guard.isLocked());
    }
    // A guard over a lock held before it leaves it held.
    {
        NamedLockGuard guard(b, 0ms);
        EXPECT_TRUE(guard.isLocked());
    }
    EXPECT_TRUE(b.isLocked());
}

TEST_F(NamedLockTest, PlantedFilesAreRefused)
{
    ASSERT_EQ(mkdir(folder().c_str(), 0700), 0);
    const std::string target = m_dir.path() + "/target";
    ASSERT_EQ(symlink(target.c_str(), (folder() + "/link.lock").c_str()), 0);
    ASSERT_EQ(mkdir((folder() + "/dir.lock").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo((folder() + "/fifo.lock").c_str(), 0600), 0);

    for (const char* name : {"link", "dir", "fifo"}) {
        NamedLock lock(name, folder());
        EXPECT_FALSE(lock.tryLock(0ms)) << name;
        EXPECT_EQ(lock.error(), NamedLock::Error::System) << name;
        EXPECT_NE(lock.errorString().find(folder()), std::string::npos) << lock.errorString();
    }
    struct stat st
    {
    };
    EXPECT_NE(lstat(target.c_str(), &st), 0) << "the link was followed";
}

TEST_F(NamedLockTest, DefaultFolderIsBelowTheRuntimeFolder)
{
    ScopedEnv env;
    env.unset("RUNTIME_DIRECTORY");
    env.set("XDG_RUNTIME_DIR", m_dir.path());

    NamedLock lock("default");
    ASSERT_TRUE(lock.tryLock(0ms)) << lock.errorString();
    EXPECT_EQ(lock.filePath(), m_dir.path() + "/typestone/locks/default.lock");
    struct stat st
    {
    };
    ASSERT_EQ(stat((m_dir.path() + "/typestone/locks").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    NamedLock second("default", m_dir.path() + "/typestone/locks");
    EXPECT_FALSE(second.tryLock(0ms));
}

TEST_F(NamedLockTest, UntrustworthyRuntimeFolderIsRefused)
{
    ScopedEnv env;
    env.keep("RUNTIME_DIRECTORY");
    env.unset("XDG_RUNTIME_DIR");
    env.keep("TMPDIR");

    // A service's runtime folder left writable by everyone.
    const std::string open = m_dir.path() + "/run";
    ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(chmod(open.c_str(), 0777), 0);
    // The shared temporary fallback planted as a link by someone else beforehand.
    const std::string tmp = m_dir.path() + "/tmp";
    const std::string elsewhere = m_dir.path() + "/elsewhere";
    const std::string planted = tmp + "/typestone-" + std::to_string(getuid());
    ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), planted.c_str()), 0);

    struct Case
    {
        const char* what;
        const char* runtimeDirectory; // nullptr: unset
        std::string expectInError;
    };
    const Case cases[] = {
        {"writable by others", open.c_str(), open},
        {"planted link", nullptr, planted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        env.set("RUNTIME_DIRECTORY",
                c.runtimeDirectory ? std::optional<std::string>(c.runtimeDirectory) : std::nullopt);
        env.set("TMPDIR", tmp);
        NamedLock lock("default");
        EXPECT_FALSE(lock.tryLock(0ms));
        EXPECT_EQ(lock.error(), NamedLock::Error::System);
        EXPECT_NE(lock.errorString().find(c.expectInError), std::string::npos) << lock.errorString();
    }
    struct stat st
    {
    };
    EXPECT_NE(lstat((elsewhere + "/locks").c_str(), &st), 0) << "nothing was made through the link";
}

TEST_F(NamedLockTest, ExcludesAcrossProcesses)
{
    Pipe toParent;
    Pipe toChild;
    ASSERT_TRUE(toParent.ok() && toChild.ok());
    const std::string dir = folder();
    ChildProcess child([&] {
        NamedLock lock("shared", dir);
        if (!lock.tryLock(0ms))
            return 10;
        toParent.send('L');
        if (toChild.receive(kLong) != 'U')
            return 11;
        lock.unlock();
        toParent.send('R');
        return 0;
    });
    ASSERT_TRUE(child.started());
    ASSERT_EQ(toParent.receive(kLong), 'L');

    NamedLock mine("shared", dir);
    EXPECT_FALSE(mine.tryLock(0ms));
    EXPECT_EQ(mine.error(), NamedLock::Error::Busy);

    ASSERT_TRUE(toChild.send('U'));
    ASSERT_EQ(toParent.receive(kLong), 'R');
    EXPECT_TRUE(mine.tryLock(0ms)) << mine.errorString();
    EXPECT_EQ(child.waitExit(kLong), 0);

    // And the other way round: the child cannot take what the parent holds.
    ChildProcess second([&] {
        NamedLock lock("shared", dir);
        return lock.tryLock(0ms) ? 20 : (lock.error() == NamedLock::Error::Busy ? 0 : 21);
    });
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitExit(kLong), 0);
}

TEST_F(NamedLockTest, KilledHolderReleasesTheLock)
{
    Pipe toParent;
    ASSERT_TRUE(toParent.ok());
    const std::string dir = folder();
    ChildProcess child([&] {
        NamedLock lock("shared", dir);
        if (!lock.tryLock(0ms))
            return 10;
        toParent.send('L');
        for (;;)
            pause(); // until killed (or its alarm ends it)
    });
    ASSERT_TRUE(child.started());
    ASSERT_EQ(toParent.receive(kLong), 'L');

    NamedLock mine("shared", dir);
    EXPECT_FALSE(mine.tryLock(0ms));
    child.killHard();
    EXPECT_EQ(child.waitExit(kLong), -2);
    EXPECT_TRUE(mine.tryLock(kLong)) << mine.errorString();
}
