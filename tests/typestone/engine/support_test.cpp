// Small parts of the engine: the drive map of host file names and the progress throttle.

#include "typestone/engine/drive_map.h"
#include "typestone/engine/progress_throttle.h"

#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(DriveMap, MapsInsideTheFolderAndRefusesTheRest)
{
    ts::support::TempDir folder("engine-drive");
    ASSERT_TRUE(folder.ok()) << folder.error();
    const fs::path root = folder.path();
    fs::create_directories(root / "c" / "DIR");
    fs::create_directories(root / "outside");
    fs::create_directory_symlink(root / "outside", root / "c" / "LINK");
    // Links to names outside that do not exist yet: writing through them would create them.
    fs::create_symlink(root / "outside" / "NEW.PDF", root / "c" / "DANGLING.PDF");
    fs::create_directory_symlink(root / "outside" / "NEWDIR", root / "c" / "DANGLINGDIR");
    fs::create_symlink(root / "c" / "DIR" / "LATER.PDF", root / "c" / "INSIDE.PDF");
    fs::create_symlink(root / "c" / "DIR", root / "c" / "DIRLINK");
    typestone::DriveMap map;
    map.add('c', (root / "c").string());

    struct Row
    {
        const char* host;
        std::string local; // empty: refused
    };
    const std::vector<Row> rows = {
        {"C:\\DIR\\FILE.EXT", (root / "c" / "DIR" / "FILE.EXT").string()},
        {"c:/DIR/FILE.EXT", (root / "c" / "DIR" / "FILE.EXT").string()},
        {"C:\\DIR\\..\\NEW.PDF", (root / "c" / "NEW.PDF").string()},
        {"C:\\..\\outside\\X", ""},
        {"C:\\DIR\\..\\..\\X", ""},
        {"C:\\LINK\\X", ""},
        {"C:\\DANGLING.PDF", ""},
        {"C:\\DANGLINGDIR\\X.PDF", ""},
        {"C:\\INSIDE.PDF", ""},                                                  // dangling, even inside
        {"C:\\DIRLINK\\NEW.PDF", (root / "c" / "DIRLINK" / "NEW.PDF").string()}, // a link that stays inside
        {"D:\\X", ""},
        {"C:", ""},
        {"C:\\", ""},
        {"FILE.EXT", ""},
        {"", ""},
    };
    for (const Row& r : rows) {
        const auto got = map.map(r.host);
        if (r.local.empty())
            EXPECT_FALSE(got) << r.host << " -> " << got.value_or("");
        else
            EXPECT_EQ(got.value_or("(refused)"), r.local) << r.host;
    }
}

TEST(DriveMap, LongNamesAreRefused)
{
    ts::support::TempDir folder("engine-drive-long");
    ASSERT_TRUE(folder.ok()) << folder.error();
    typestone::DriveMap map;
    map.add('C', folder.path());
    // Parts of 49 letters (a folder here takes 255), to exactly the longest name.
    std::string fits = "C:";
    while (fits.size() + 50 <= typestone::kMaxHostName)
        fits += "\\" + std::string(49, 'A');
    fits += "\\" + std::string(typestone::kMaxHostName - fits.size() - 1, 'B');
    ASSERT_EQ(fits.size(), typestone::kMaxHostName);
    EXPECT_TRUE(map.map(fits));
    EXPECT_FALSE(map.map(fits + "A"));
}

TEST(DriveMap, HostFileNameIsTheLastPartOrNothing)
{
    struct Row
    {
        std::string host;
        std::string name; // empty: none that can be used
    };
    const std::vector<Row> rows = {
        {"C:\\PDF\\OUT.PDF", "OUT.PDF"},
        {"c:/pdf/out.pdf", "out.pdf"},
        {"Q:OUT.PDF", "OUT.PDF"},
        {"OUT.PDF", "OUT.PDF"},
        {"C:\\..\\..\\etc\\passwd", "passwd"},
        {"C:\\PDF\\", ""},
        {"C:\\PDF\\..", ""},
        {"C:\\PDF\\.", ""},
        {"C:", ""},
        {"", ""},
        {"C:\\A\tB.PDF", ""},
        {"C:\\" + std::string(typestone::kMaxFileName, 'N'), std::string(typestone::kMaxFileName, 'N')},
        {"C:\\" + std::string(typestone::kMaxFileName + 1, 'N'), ""},
        {"C:\\X\\" + std::string(typestone::kMaxHostName, 'N'), ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(typestone::hostFileName(r.host), r.name) << r.host;
}

TEST(DriveMap, FoldersAreMadeOnlyInsideTheDrive)
{
    ts::support::TempDir folder("engine-drive-make");
    ASSERT_TRUE(folder.ok()) << folder.error();
    const fs::path root = folder.path();
    fs::create_directories(root / "outside");
    typestone::DriveMap map;
    map.add('C', (root / "drives" / "C").string()); // not there yet

    // The drive's folder and the host's folders in it are made on the first write.
    const auto local = map.map("C:\\PDF\\SUB\\OUT.PDF");
    ASSERT_TRUE(local);
    std::string error;
    ASSERT_TRUE(map.makeFolderFor(*local, &error)) << error;
    EXPECT_TRUE(fs::is_directory(root / "drives" / "C" / "PDF" / "SUB"));
    EXPECT_EQ(fs::status(root / "drives" / "C" / "PDF").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(map.makeFolderFor(*local, &error)) << "made already: " << error;

    // A link put in place of a folder after the name was mapped does not take the file out.
    const auto later = map.map("C:\\LATER\\OUT.PDF");
    ASSERT_TRUE(later);
    fs::create_directory_symlink(root / "outside", root / "drives" / "C" / "LATER");
    EXPECT_FALSE(map.makeFolderFor(*later, &error));
    EXPECT_NE(error.find("leads out"), std::string::npos) << error;

    // A name of no drive's folder, and a folder that cannot be made (a file is in its way).
    EXPECT_FALSE(map.makeFolderFor((root / "outside" / "X.PDF").string(), &error));
    {
        std::ofstream blocker(root / "drives" / "C" / "FILE");
    }
    const auto blocked = map.map("C:\\FILE\\X.PDF");
    ASSERT_TRUE(blocked);
    EXPECT_FALSE(map.makeFolderFor(*blocked, &error));
}

TEST(ProgressThrottle, ReportsOnlyChangesAndAlwaysTheLast)
{
    std::vector<int> sent;
    typestone::ProgressThrottle p;
    p.setSink([&](int percent) { sent.push_back(percent); });
    p.start(10000);
    for (int i = 0; i < 9999; ++i)
        p.add(1);
    EXPECT_EQ(sent.size(), 100u); // 0..99
    EXPECT_EQ(sent.back(), 99);
    p.finish();
    EXPECT_EQ(sent.back(), 100); // the end is 100 %, even for counts that fell short of the total
    EXPECT_EQ(sent.size(), 101u);
    p.finish();
    EXPECT_EQ(sent.back(), 100); // the last figure is sent again even though it did not change
    EXPECT_EQ(sent.size(), 102u);
    p.add(5);
    EXPECT_EQ(sent.back(), 100);
    p.add(5000); // more than the total stays at 100
    EXPECT_EQ(sent.back(), 100);
}

TEST(ProgressThrottle, NestedMeasureIsRestored)
{
    std::vector<int> sent;
    typestone::ProgressThrottle p;
    p.setSink([&](int percent) { sent.push_back(percent); });
    p.start(100);
    p.add(40);
    const auto saved = p.save();
    p.start(10);
    p.add(10);
    p.restore(saved);
    p.add(10);
    EXPECT_EQ(sent.back(), 50);
    EXPECT_EQ(p.total(), 100u);
    EXPECT_EQ(p.started(), saved.started);
}

// Each change of the whole percentage is told at the very unit that makes it, whatever the
// total (add() skips the arithmetic between two percentages).
TEST(ProgressThrottle, ReportsEachPercentAtTheUnitThatReachesIt)
{
    __extension__ typedef unsigned __int128 Wide; // the reference's product cannot overflow
    struct Case
    {
        uint64_t total;
        uint64_t step;
    };
    const Case cases[] = {{7, 1}, {101, 1}, {333, 1}, {1000, 3}, {UINT64_MAX, UINT64_MAX / 250}};
    for (const Case& c : cases) {
        std::vector<std::pair<uint64_t, int>> sent;
        typestone::ProgressThrottle p;
        p.setSink([&](int percent) { sent.emplace_back(p.done(), percent); });
        p.start(c.total);
        std::vector<std::pair<uint64_t, int>> expected;
        int last = -1;
        for (uint64_t done = 0; done < c.total;) {
            done = c.step >= c.total - done ? c.total : done + c.step;
            const int percent = static_cast<int>(static_cast<Wide>(done) * 100 / c.total);
            if (percent != last)
                expected.emplace_back(done, percent);
            last = percent;
            p.add(c.step);
        }
        EXPECT_EQ(sent, expected) << "total " << c.total;
    }
}

// A count past the total stops at it, even one that would wrap the sum.
TEST(ProgressThrottle, OvershootStopsAtTheTotal)
{
    std::vector<int> sent;
    typestone::ProgressThrottle p;
    p.setSink([&](int percent) { sent.push_back(percent); });
    p.start(1000);
    p.add(990);
    p.add(UINT64_MAX);
    EXPECT_EQ(p.done(), 1000u);
    EXPECT_EQ(sent, (std::vector<int>{99, 100}));
    p.add(1);
    EXPECT_EQ(p.done(), 1000u);
    EXPECT_EQ(sent.size(), 2u);
}

} // namespace
