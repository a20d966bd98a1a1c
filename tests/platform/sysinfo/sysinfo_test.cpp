#include "platform/sysinfo/net_adapters.h"
#include "platform/sysinfo/os_info.h"
#include "platform/sysinfo/random_bytes.h"
#include "platform/sysinfo/session_id.h"

#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace platform::sysinfo;

TEST(SessionId, ParsesOnlyPlainNumbersAndMapsNoSessionToZero)
{
    const struct
    {
        const char* text;
        uint32_t id;
    } cases[] = {
        {"3\n", 3}, {"0", 0},  {"4294967295\n", 0}, {"4294967294", 4294967294u},
        {"", 0},    {"-1", 0}, {"12x", 0},          {"99999999999", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseSessionId(c.text), c.id) << c.text;
    EXPECT_EQ(sessionId("/nonexistent/sessionid"), 0u);
}

TEST(NetAdapters, ReadsAddressesAndKindsFromTheInterfaceTree)
{
    EXPECT_EQ(parseHardwareAddress("02:fc:00:00:00:01"), (std::vector<uint8_t>{2, 0xfc, 0, 0, 0, 1}));
    for (const char* bad : {"02:fc:00:00:00:", "0:fc", "zz:00", "02-fc-00-00-00-01"})
        EXPECT_TRUE(parseHardwareAddress(bad).empty()) << bad;

    ts::support::TempDir folder("ts-net");
    ASSERT_TRUE(folder.ok()) << folder.error();
    const fs::path root = folder.path();
    auto put = [&](const std::string& dev, const std::string& file, const std::string& text) {
        fs::create_directories(root / dev);
        std::ofstream(root / dev / file) << text << "\n";
    };
    put("lo", "address", "00:00:00:00:00:00");
    put("lo", "flags", "0x9");
    put("eth0", "address", "00:1a:2b:3c:4d:5e");
    put("eth0", "flags", "0x1003");
    fs::create_directories(root / "eth0" / "device");
    put("ppp0", "flags", "0x10d1");

    const auto list = netAdapters(root.string());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "eth0");
    EXPECT_TRUE(list[0].physical);
    EXPECT_FALSE(list[0].loopback);
    EXPECT_EQ(list[0].address.size(), 6u);
    EXPECT_EQ(list[1].name, "lo");
    EXPECT_TRUE(list[1].loopback);
    EXPECT_EQ(list[2].name, "ppp0");
    EXPECT_TRUE(list[2].address.empty());
    fs::remove_all(root);
    EXPECT_TRUE(netAdapters(root.string()).empty());
}

TEST(OsInfo, ParsesQuotedOsReleaseFields)
{
    OsInfo info;
    parseOsRelease("# comment\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n"
                   "VERSION_ID='12'\nBROKEN\n",
                   info);
    EXPECT_EQ(info.prettyName, "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(info.osId, "debian");
    EXPECT_EQ(info.versionId, "12");

    OsInfo live;
    ASSERT_TRUE(readOsInfo(live, "/nonexistent/os-release"));
    EXPECT_FALSE(live.sysname.empty());
    EXPECT_TRUE(live.prettyName.empty());
}

TEST(RandomBytes, FillsTheWholeBuffer)
{
    unsigned char a[32] = {}, b[32] = {};
    ASSERT_TRUE(randomBytes(a, sizeof a));
    ASSERT_TRUE(randomBytes(b, sizeof b));
    EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
}
