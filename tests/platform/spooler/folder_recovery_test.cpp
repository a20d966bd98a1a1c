// What the folder spooler does at start with the jobs a run that died left half written.

#include "platform/spooler/folder_spooler.h"
#include "tests/platform/spooler/spooler_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace platform::spooler;
using spooler_test::readFile;
using spooler_test::TempDir;
using spooler_test::writeFile;

namespace {

namespace fs = std::filesystem;

class FolderRecoveryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.path().empty());
        m_root = m_dir.path() + "/spool";
        m_damaged = m_dir.path() + "/damaged";
        fs::create_directories(m_damaged);
        std::string error;
        m_spooler = FolderSpooler::open(m_root, &error);
        ASSERT_TRUE(m_spooler) << error;
        ASSERT_TRUE(m_spooler->addPrinter("Laser", &error)) << error;
    }

    std::set<std::string> names(const std::string& dir) const
    {
        std::set<std::string> out;
        for (const auto& entry : fs::directory_iterator(dir))
            out.insert(entry.path().filename());
        return out;
    }
    std::string laser() const { return m_root + "/Laser"; }

    TempDir m_dir;
    std::string m_root;
    std::string m_damaged;
    std::unique_ptr<FolderSpooler> m_spooler;
};

// A raw job of a run that died: its bytes so far become the job, marked cut short, and a second
// recovery changes nothing.
TEST_F(FolderRecoveryTest, ARawPartIsFinishedWithWhatArrivedAndMarkedCutShort)
{
    const std::string info = "file=000007-host_3.prn\nprinter=Laser\ndocument=host_3\ndatatype=RAW\n";
    writeFile(laser() + "/000007.info", info);
    writeFile(laser() + "/000007-host_3.part", "half of it");

    const std::vector<std::string> report = m_spooler->recoverInterruptedJobs(m_damaged);
    ASSERT_EQ(report.size(), 1u);
    EXPECT_NE(report[0].find("cut short"), std::string::npos) << report[0];
    EXPECT_EQ(names(laser()), (std::set<std::string>{"000007.info", "000007-host_3.prn"}));
    EXPECT_EQ(readFile(laser() + "/000007-host_3.prn"), "half of it");
    EXPECT_EQ(readFile(laser() + "/000007.info"), info + "cut-short=the server ended before the job did\n");

    EXPECT_TRUE(m_spooler->recoverInterruptedJobs(m_damaged).empty());
    EXPECT_EQ(readFile(laser() + "/000007.info"), info + "cut-short=the server ended before the job did\n");
    EXPECT_TRUE(names(m_damaged).empty());
}

// The other leftovers, each by itself in the printer folder.
TEST_F(FolderRecoveryTest, LeftoversAreRemovedOrMovedAside)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files; // name, content
        std::set<std::string> left;                             // in the printer folder after
        std::set<std::string> damaged;                          // in the damaged folder after
    };
    const std::vector<Case> cases = {
        {"a finished job stays as it is",
         {{"000001.info", "file=000001-a.prn\ndatatype=RAW\n"}, {"000001-a.prn", "x"}},
         {"000001.info", "000001-a.prn"},
         {}},
        {"the part of a PDF copy goes with its info",
         {{"000002.info", "file=000002-b.pdf\ndatatype=application/pdf\n"}, {"000002-b.part", "%PDF-1.4"}},
         {},
         {}},
        {"an info without data goes", {{"000003.info", "file=000003-c.prn\ndatatype=RAW\n"}}, {}, {}},
        {"an info naming a file elsewhere is moved aside",
         {{"000004.info", "file=../../etc/passwd\ndatatype=RAW\n"}},
         {},
         {"Laser-000004.info"}},
        {"an info of garbage is moved aside with the data of its number",
         {{"000005.info", std::string("\x01\x02\xff", 3)}, {"000005-e.part", "data"}, {"000015-g.part", "x"}},
         {"000015-g.part"},
         {"Laser-000005.info", "Laser-000005-e.part"}},
        {"an info under another number's file is moved aside",
         {{"000006.info", "file=000009-f.prn\ndatatype=RAW\n"}},
         {},
         {"Laser-000006.info"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : fs::directory_iterator(laser()))
            fs::remove(entry.path());
        for (const auto& entry : fs::directory_iterator(m_damaged))
            fs::remove(entry.path());
        for (const auto& [name, content] : c.files)
            writeFile(laser() + "/" + name, content);
        m_spooler->recoverInterruptedJobs(m_damaged);
        EXPECT_EQ(names(laser()), c.left);
        EXPECT_EQ(names(m_damaged), c.damaged);
    }
}

} // namespace
