#include "klv_inet/support/copy_progress.h"
#include "klv_inet/support/file_copy.h"

#include "temp_env.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class Progress : public klv::CopyProgress
{
public:
    int cancelAfter = -1; // reports before the cancel flag goes up
    int reports = 0;
    bool started = false, stopped = false;
    std::string message, line1;
    uint64_t lastDone = 0;

    void start(const std::string& m, const std::string& l1) override
    {
        started = true;
        message = m;
        line1 = l1;
    }
    void report(uint64_t done, uint64_t) override
    {
        ++reports;
        lastDone = done;
    }
    bool isCancelled() override { return cancelAfter >= 0 && reports >= cancelAfter; }
    void stop() override { stopped = true; }
};

size_t filesIn(const fs::path& dir)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++n;
    return n;
}

} // namespace

TEST(AuxCopyFile, CopiesEveryByteAndReportsProgress)
{
    TempEnv env;
    std::string data(5000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    writeFile(env.path("src"), data);
    Progress p;
    ASSERT_EQ(AuxCopyFile(env.path("src").c_str(), env.path("dst").c_str(), &p, 0), 1);
    EXPECT_EQ(readFile(env.path("dst")), data);
    EXPECT_TRUE(p.started && p.stopped);
    EXPECT_EQ(p.message, env.path("src") + " [4,9 Kbytes]");
    EXPECT_EQ(p.line1, env.path("dst"));
    EXPECT_EQ(p.lastDone, 5000u);
    EXPECT_EQ(filesIn(env.dir()), 2u); // no temporary left behind
}

TEST(AuxCopyFile, RefusalsLeaveTheTargetAlone)
{
    TempEnv env;
    writeFile(env.path("src"), "new content");
    writeFile(env.path("old"), "old content");
    writeFile(env.path("empty"), "");

    // Missing or empty source.
    EXPECT_EQ(AuxCopyFile(env.path("none").c_str(), env.path("x").c_str(), nullptr, 0), 0);
    EXPECT_EQ(AuxCopyFile(env.path("empty").c_str(), env.path("x").c_str(), nullptr, 0), 0);
    EXPECT_FALSE(fs::exists(env.path("x")));
    // Skip mode keeps an existing target; onto itself is refused.
    EXPECT_EQ(AuxCopyFile(env.path("src").c_str(), env.path("old").c_str(), nullptr, _COPY_SKIP), 0);
    EXPECT_EQ(readFile(env.path("old")), "old content");
    EXPECT_EQ(AuxCopyFile(env.path("src").c_str(), env.path("src").c_str(), nullptr, 0), 0);
    EXPECT_EQ(readFile(env.path("src")), "new content");
    // An empty target counts as missing: replaced without asking, even in skip mode.
    EXPECT_EQ(AuxCopyFile(env.path("src").c_str(), env.path("empty").c_str(), nullptr, _COPY_SKIP), 1);
    EXPECT_EQ(readFile(env.path("empty")), "new content");
    // Replace mode overwrites.
    EXPECT_EQ(AuxCopyFile(env.path("src").c_str(), env.path("old").c_str(), nullptr, 0), 1);
    EXPECT_EQ(readFile(env.path("old")), "new content");
}

TEST(AuxCopyFile, CancelledCopyLeavesNoPartialTarget)
{
    TempEnv env;
    writeFile(env.path("src"), std::string(10000, 'x'));
    writeFile(env.path("old"), "keep me");
    Progress p;
    p.cancelAfter = 2;
    EXPECT_EQ(AuxCopyFile(env.path("src").c_str(), env.path("new").c_str(), &p, 0), 0);
    EXPECT_FALSE(fs::exists(env.path("new")));
    Progress q;
    q.cancelAfter = 2;
    EXPECT_EQ(AuxCopyFile(env.path("src").c_str(), env.path("old").c_str(), &q, 0), 0);
    EXPECT_EQ(readFile(env.path("old")), "keep me");
    EXPECT_TRUE(q.stopped);
    EXPECT_EQ(filesIn(env.dir()), 2u);
}

TEST(CmpFiles, SameBytesDifferencesAndCancel)
{
    TempEnv env;
    const std::string big(5000, 'a');
    std::string other = big;
    other[4500] = 'b';
    writeFile(env.path("a"), big);
    writeFile(env.path("b"), big);
    writeFile(env.path("c"), other);
    writeFile(env.path("short"), big.substr(1));
    writeFile(env.path("empty"), "");
    writeFile(env.path("empty2"), "");

    EXPECT_EQ(CmpFiles(env.path("a").c_str(), env.path("b").c_str()), 1);
    EXPECT_EQ(CmpFiles(env.path("a").c_str(), env.path("c").c_str()), 0);
    EXPECT_EQ(CmpFiles(env.path("a").c_str(), env.path("short").c_str()), 0);
    EXPECT_EQ(CmpFiles(env.path("empty").c_str(), env.path("empty2").c_str()), 0);
    EXPECT_EQ(CmpFiles(env.path("a").c_str(), env.path("none").c_str()), 0);

    Progress p;
    p.cancelAfter = 1; // cancelled before any difference could be seen: not "same"
    EXPECT_EQ(CmpFiles(env.path("a").c_str(), env.path("b").c_str(), &p), 0);
    EXPECT_TRUE(p.stopped);
}
