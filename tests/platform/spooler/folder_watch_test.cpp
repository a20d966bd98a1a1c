// The watch on a folder and the folder spooler's kept printer list.

#include "platform/spooler/folder_spooler.h"
#include "platform/spooler/folder_watch.h"
#include "tests/platform/spooler/spooler_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace platform::spooler;
using spooler_test::TempDir;
using spooler_test::writeFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> names(const std::vector<PrinterInfo>& printers)
{
    std::vector<std::string> out;
    for (const PrinterInfo& info : printers)
        out.push_back(info.name);
    return out;
}

} // namespace

// Every change of the folder's own entries is in the queue the moment it is made; changes
// inside a subfolder (the jobs) are not.
TEST(FolderWatch, SeesEveryChangeOfTheFolderItselfAtOnce)
{
    TempDir dir;
    const std::string root = dir.path() + "/root";
    fs::create_directory(root);
    fs::create_directory(root + "/A");
    writeFile(root + "/.default", "A\n");
    FolderWatch watch(root);
    ASSERT_TRUE(watch.active());
    EXPECT_FALSE(watch.takeChanges()) << "nothing changed yet";

    struct Case
    {
        const char* what;
        std::function<void()> change;
        bool seen;
    };
    const Case cases[] = {
        {"a folder made", [&] { fs::create_directory(root + "/B"); }, true},
        {"a folder renamed", [&] { fs::rename(root + "/B", root + "/C"); }, true},
        {"a folder's mode changed", [&] { ::chmod((root + "/C").c_str(), 0500); }, true},
        {"a folder removed", [&] { fs::remove(root + "/C"); }, true},
        {"the default rewritten", [&] { writeFile(root + "/.default", "B\n"); }, true},
        {"a job written into a printer folder", [&] { writeFile(root + "/A/000001.prn", "data"); }, false},
        {"nothing", [] {}, false},
    };
    for (const Case& c : cases) {
        c.change();
        EXPECT_EQ(watch.takeChanges(), c.seen) << c.what;
        EXPECT_FALSE(watch.takeChanges()) << c.what << ": taken once";
    }
    EXPECT_TRUE(watch.active());
}

TEST(FolderWatch, EndsWithItsFolderAndCannotWatchWhatIsNotThere)
{
    TempDir dir;
    EXPECT_FALSE(FolderWatch(dir.path() + "/missing").active());
    const std::string root = dir.path() + "/root";
    fs::create_directory(root);
    FolderWatch watch(root);
    ASSERT_TRUE(watch.active());
    fs::remove(root);
    EXPECT_TRUE(watch.takeChanges());
    EXPECT_FALSE(watch.active());
    EXPECT_TRUE(watch.takeChanges()) << "without a watch every look may be a change";
}

// The kept list follows the folder: a printer folder made or removed by anyone is in the very
// next answer, and the version moves with it; a job does not move it.
TEST(FolderSpoolerList, KeptListFollowsPrinterFoldersAddedAndRemoved)
{
    TempDir dir;
    const std::string root = dir.path() + "/spool";
    std::string error;
    std::unique_ptr<FolderSpooler> spooler = FolderSpooler::open(root, &error);
    ASSERT_TRUE(spooler) << error;
    ASSERT_TRUE(spooler->addPrinter("Laser", &error)) << error;
    ASSERT_TRUE(spooler->printersVersion());
    EXPECT_EQ(names(spooler->printers(&error)), std::vector<std::string>{"Laser"});
    const uint64_t before = *spooler->printersVersion();

    auto job = spooler->startRawJob("Laser", "doc", "RAW", &error);
    ASSERT_TRUE(job) << error;
    ASSERT_TRUE(job->write("x", 1));
    ASSERT_TRUE(job->finish()) << job->errorText();
    EXPECT_EQ(spooler->printersVersion(), before) << "a job is not a change of the list";

    fs::create_directory(root + "/Alpha"); // made from outside, not through the spooler
    EXPECT_NE(spooler->printersVersion(), before);
    EXPECT_EQ(names(spooler->printers(&error)), (std::vector<std::string>{"Alpha", "Laser"}));
    std::optional<PrinterInfo> alpha = spooler->printer("ALPHA", &error);
    ASSERT_TRUE(alpha) << error;
    EXPECT_EQ(alpha->name, "Alpha");
    EXPECT_TRUE(alpha->isDefault) << "the first by name";

    ::chmod((root + "/Alpha").c_str(), 0500);
    alpha = spooler->printer("Alpha", &error);
    ASSERT_TRUE(alpha) << error;
    if (::geteuid() != 0) {
        EXPECT_FALSE(alpha->accepting) << "a folder that cannot be written takes no jobs";
    }

    fs::remove(root + "/Alpha");
    EXPECT_EQ(names(spooler->printers(&error)), std::vector<std::string>{"Laser"});
    error.clear();
    EXPECT_FALSE(spooler->printer("Alpha", &error));
    EXPECT_NE(error.find("no printer \"Alpha\""), std::string::npos) << error;
    EXPECT_TRUE(spooler->printer("Laser", &error)->isDefault);
}
