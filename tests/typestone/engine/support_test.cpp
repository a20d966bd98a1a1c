// Small parts of the engine: the drive map of host file names and the progress throttle.

#include "typestone/engine/drive_map.h"
#include "typestone/engine/progress_throttle.h"

#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
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
    EXPECT_EQ(sent.back(), 99); // the last figure is sent again even though it did not change
    EXPECT_EQ(sent.size(), 101u);
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
}

} // namespace
