#include "platform/folders/folders.h"

#include "tests/support/env/scoped_env.h"
#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace folders = platform::folders;

namespace {

const char* const kVariables[] = {
    "STATE_DIRECTORY",    "XDG_STATE_HOME",    "CACHE_DIRECTORY", "XDG_CACHE_HOME", "CONFIGURATION_DIRECTORY",
    "XDG_CONFIG_HOME",    "RUNTIME_DIRECTORY", "XDG_RUNTIME_DIR", "HOME",           "TMPDIR",
    "TYPESTONE_DATA_DIR",
};

// Clears every variable the folders read, gives the test a temporary folder of its own (also
// as TMPDIR and HOME), and puts the environment back as it was afterwards.
class FoldersTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        m_root = m_folder.path();
        for (const char* name : kVariables)
            m_env.unset(name);
        m_env.set("TMPDIR", m_root);
        m_env.set("HOME", m_root + "/home");
    }

    static unsigned modeOf(const std::string& path)
    {
        struct stat st
        {
        };
        return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0xFFFFu;
    }
    static bool isDir(const std::string& path)
    {
        struct stat st
        {
        };
        return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    ts::support::TempDir m_folder{"ts-folders"};
    ts::support::ScopedEnv m_env; // every variable above, put back at the end
    std::string m_root;
};

struct WritableFolder
{
    const char* label;
    std::function<std::string()> get;
    const char* systemdVariable;
    const char* xdgVariable;
    const char* homeFallback; // nullptr: the fallback is in the temporary folder
};

const WritableFolder kWritableFolders[] = {
    {"state", folders::stateDir, "STATE_DIRECTORY", "XDG_STATE_HOME", ".local/state"},
    {"cache", folders::cacheDir, "CACHE_DIRECTORY", "XDG_CACHE_HOME", ".cache"},
    {"config", folders::configDir, "CONFIGURATION_DIRECTORY", "XDG_CONFIG_HOME", ".config"},
    {"runtime", folders::runtimeDir, "RUNTIME_DIRECTORY", "XDG_RUNTIME_DIR", nullptr},
};

} // namespace

TEST_F(FoldersTest, WritableFoldersFollowTheEnvironment)
{
    const std::string uid = std::to_string(getuid());
    for (const WritableFolder& f : kWritableFolders) {
        SCOPED_TRACE(f.label);
        const std::string base = m_root + "/" + f.label;
        const std::string fallback =
            f.homeFallback ? m_root + "/home/" + f.homeFallback + "/typestone" : m_root + "/typestone-" + uid;
        struct Case
        {
            const char* what;
            std::optional<std::string> systemd;
            std::optional<std::string> xdg;
            std::string expected;
        };
        const Case cases[] = {
            // systemd's folder is the program's own already; only the first of a list counts.
            {"systemd list", base + "/svc-a:" + base + "/svc-b", base + "/xdg", base + "/svc-a"},
            {"systemd single", base + "/svc/", std::nullopt, base + "/svc"},
            {"systemd relative", std::string("svc"), base + "/xdg", base + "/xdg/typestone"},
            {"systemd empty first", ":" + base + "/svc", base + "/xdg", base + "/xdg/typestone"},
            {"xdg", std::nullopt, base + "/xdg/", base + "/xdg/typestone"},
            {"xdg relative", std::nullopt, std::string("xdg"), fallback},
            {"nothing set", std::nullopt, std::nullopt, fallback},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            if (c.systemd)
                setenv(f.systemdVariable, c.systemd->c_str(), 1);
            else
                unsetenv(f.systemdVariable);
            if (c.xdg)
                setenv(f.xdgVariable, c.xdg->c_str(), 1);
            else
                unsetenv(f.xdgVariable);
            EXPECT_EQ(f.get(), c.expected);
            EXPECT_TRUE(isDir(c.expected)) << "the folder is created";
        }
        unsetenv(f.systemdVariable);
        unsetenv(f.xdgVariable);
        // Folders the program creates are private.
        EXPECT_EQ(modeOf(fallback), 0700u);
    }
}

TEST_F(FoldersTest, SharedTemporaryFallbackIsMadePrivate)
{
    // Found with a loose mode (as a stranger or an old run could leave it), the runtime folder
    // in the shared temporary folder is tightened before anything is put in it.
    const std::string dir = m_root + "/typestone-" + std::to_string(getuid());
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    EXPECT_EQ(folders::runtimeDir(), dir);
    EXPECT_EQ(modeOf(dir), 0700u);
}

TEST_F(FoldersTest, SystemTempAndDataFolders)
{
    EXPECT_EQ(folders::systemTempDir(), m_root);
    setenv("TMPDIR", (m_root + "/t//").c_str(), 1);
    EXPECT_EQ(folders::systemTempDir(), m_root + "/t");
    setenv("TMPDIR", "relative", 1);
    EXPECT_EQ(folders::systemTempDir(), "/tmp");

    setenv("TYPESTONE_DATA_DIR", (m_root + "/data/").c_str(), 1);
    EXPECT_EQ(folders::dataDir(), m_root + "/data");

    // Without the variable (or with a relative one): the install's share folder when there is
    // one, else the executable's folder.
    std::string expected = folders::executableDir();
    char real[PATH_MAX + 1];
    if (isDir(expected + "/../share/typestone") && realpath((expected + "/../share/typestone").c_str(), real))
        expected = real;
    setenv("TYPESTONE_DATA_DIR", "data", 1);
    EXPECT_EQ(folders::dataDir(), expected);
    unsetenv("TYPESTONE_DATA_DIR");
    EXPECT_EQ(folders::dataDir(), expected);
    EXPECT_EQ(folders::executableDir().front(), '/');
}

TEST_F(FoldersTest, EnsurePrivateDirCreatesAndTightens)
{
    std::string error;
    const std::string nested = m_root + "/a/b/c";
    ASSERT_TRUE(folders::ensurePrivateDir(nested, &error)) << error;
    EXPECT_EQ(modeOf(nested), 0700u);
    EXPECT_EQ(modeOf(m_root + "/a"), 0700u) << "missing parents are private too";
    EXPECT_EQ(modeOf(m_root + "/a/b"), 0700u);

    const std::string loose = m_root + "/loose";
    ASSERT_EQ(mkdir(loose.c_str(), 0700), 0);
    ASSERT_EQ(chmod(loose.c_str(), 0757), 0);
    ASSERT_TRUE(folders::ensurePrivateDir(loose, &error)) << error;
    EXPECT_EQ(modeOf(loose), 0700u);

    // An existing private folder is accepted as it is, also without an error sink.
    EXPECT_TRUE(folders::ensurePrivateDir(loose));
}

TEST_F(FoldersTest, EnsurePrivateDirRefusesWhatIsNoPrivateFolder)
{
    const std::string target = m_root + "/target";
    ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
    const std::string link = m_root + "/link";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const std::string file = m_root + "/file";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    struct Case
    {
        std::string path;
        const char* reason; // part of the error text
    };
    const Case cases[] = {
        {link, "symbolic link"},      {file, "not a folder"}, {file + "/below", "folder"},
        {"relative/dir", "absolute"}, {"", "absolute"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(folders::ensurePrivateDir(c.path, &error)) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
    }
    EXPECT_EQ(modeOf(target), 0755u) << "the link's target must be left alone";
    EXPECT_FALSE(folders::ensurePrivateDir(link)); // no error sink needed
}
