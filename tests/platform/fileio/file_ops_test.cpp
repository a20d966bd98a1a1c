#include "platform/fileio/file.h"
#include "platform/fileio/file_ops.h"

#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace platform::fileio {
namespace {

class FileIoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.ok()) << folder.error();
        dir = folder.path();
    }
    std::string path(const char* name) const { return (dir / name).string(); }
    static std::string read(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    ts::support::TempDir folder{"fileio"};
    fs::path dir;
};

TEST_F(FileIoTest, AppendCreatesPrivateFileAndAppends)
{
    const std::string p = path("t.trz");
    ASSERT_TRUE(appendFile(p, "one"));
    ASSERT_TRUE(appendFile(p, std::string("\0two", 4)));
    EXPECT_EQ(read(p), std::string("one\0two", 7));
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(appendFile(p, "fresh", true));
    EXPECT_EQ(read(p), "fresh");
    EXPECT_FALSE(appendFile(path("no/dir/t.trz"), "x"));
}

TEST_F(FileIoTest, SymbolicLinksAreNeverFollowed)
{
    const std::string target = path("target");
    ASSERT_TRUE(appendFile(target, "secret"));
    fs::create_symlink(target, path("link"));
    EXPECT_FALSE(appendFile(path("link"), "x"));
    EXPECT_FALSE(appendFile(path("link"), "x", true));
    File f;
    EXPECT_FALSE(f.openWriteExclusive(path("link")));
    EXPECT_EQ(read(target), "secret");
    const FileInfo info = fileInfo(path("link"));
    EXPECT_TRUE(info.exists);
    EXPECT_FALSE(info.regular);
}

TEST_F(FileIoTest, FileInfoAndTempFiles)
{
    EXPECT_FALSE(fileInfo(path("missing")).exists);
    appendFile(path("f"), "12345");
    const FileInfo info = fileInfo(path("f"));
    EXPECT_TRUE(info.exists && info.regular);
    EXPECT_EQ(info.size, 5u);
    EXPECT_GT(info.modified, 0);

    const std::string a = makeTempFile(dir.string(), "kdr");
    const std::string b = makeTempFile(dir.string() + "/", "kdr");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(fs::path(a).filename().string().rfind("kdr", 0), 0u);
    EXPECT_TRUE(fs::exists(a));
    EXPECT_EQ(makeTempFile(path("no/dir"), "kdr"), "");
    EXPECT_EQ(makeTempFile("", "kdr"), "");
}

TEST_F(FileIoTest, ExclusiveWriterShutsOutOthers)
{
    File w;
    ASSERT_TRUE(w.openWriteExclusive(path("dump")));
    EXPECT_TRUE(w.write("abc", 3));
    File second;
    EXPECT_FALSE(second.openWriteExclusive(path("dump")));
    File reader;
    EXPECT_FALSE(reader.openRead(path("dump")));
    EXPECT_EQ(w.size(), 3u);
    w.close();
    ASSERT_TRUE(reader.openRead(path("dump")));
    char buf[8];
    EXPECT_EQ(reader.read(buf, sizeof buf), 3);
    EXPECT_EQ(reader.read(buf, sizeof buf), 0);
    EXPECT_FALSE(File().openRead(path("missing")));
    File closed;
    EXPECT_EQ(closed.read(buf, 1), -1);
    EXPECT_FALSE(closed.write("x", 1));
}

} // namespace
} // namespace platform::fileio
