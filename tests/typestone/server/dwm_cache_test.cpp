// The server-file cache: which local name a host file is kept under, when a kept copy is used
// without a transfer, its settings, and two jobs that want the same file at once.

#include "typestone/server/dwm_cache.h"
#include "typestone/server/general_settings.h"
#include "typestone/server/packet_codes.h"
#include "typestone/server/packet_link.h"

#include "klv_inet/support/reg_entry.h"

#include "platform/fileio/file_ops.h"

#include "job_test_env.h"
#include "tests/support/hostfile/fake_host_peer.h"
#include "tests/support/hostfile/fake_packet_clock.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <thread>

using namespace typestone;
using platform::ui::ScriptedUiBridge;
using valdor::FakeHostPeer;
using valdor::FakePacketClock;
using valdor::HostFile;

namespace {

HostFileFacts factsOf(const HostFile& file, uint16_t mode = 0)
{
    HostFileFacts f{};
    const uint32_t date = file.date;
    const auto size = uint32_t(file.bytes.size());
    for (int i = 0; i < 4; ++i) {
        f[size_t(2 + i)] = uint8_t(date >> (8 * i));
        f[size_t(10 + i)] = uint8_t(size >> (8 * i));
    }
    f[7] = uint8_t(mode);
    f[8] = uint8_t(mode >> 8);
    return f;
}

std::string setting(const char* name)
{
    char buffer[512] = {};
    uint32_t size = sizeof buffer;
    if (!GetRegistryEntry(GeneralSection().c_str(), name, buffer, &size))
        return "<none>";
    return buffer;
}

struct CacheTest : ::testing::Test
{
    void SetUp() override
    {
        cacheDir = env.dir() + "/files/cache";
        ASSERT_TRUE(SetCFGString("CACHE_PATH", cacheDir));
        logo.bytes.assign(3000, 'L');
        logo.date = 1600000000;
        peer.addFile("/u/LOGO.BMP:C", logo);
        peer.start();
    }
    bool fetch(const HostFileFacts& facts, std::string* local, bool* moved, uint8_t option = 0)
    {
        return FetchHostFile(link, ui, clock, "/u/LOGO.BMP:C", facts, option, local, moved);
    }

    jobtest::JobTestEnv env;
    std::string cacheDir;
    HostFile logo;
    FakeHostPeer peer;
    ScriptedUiBridge ui;
    FakePacketClock clock{0};
    PacketLink link{peer.serverSide(), ui, clock};
};

TEST(HostFileFacts, DateModeAndSizeSitWhereTheCacheReadsThem)
{
    HostFileFacts f{};
    f[2] = 0x01, f[3] = 0x02, f[4] = 0x03, f[5] = 0x04; // date
    f[7] = 0x10, f[8] = 0x20;                           // transfer mode (the host word)
    f[10] = 0x05, f[11] = 0x06, f[12] = 0x07, f[13] = 0x08;
    const auto info = ReadHostFileFacts(f);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->date, 0x04030201u);
    EXPECT_EQ(info->mode, 0x2010);
    EXPECT_EQ(info->size, 0x08070605u);
    EXPECT_FALSE(ReadHostFileFacts(HostFileFacts{}));
}

TEST_F(CacheTest, AHostNameIsKeptUnderItsLastPart)
{
    CDwmCache cache(link, ui, clock, 0, CacheConfig{cacheDir, false});
    const struct
    {
        const char* host;
        std::string local;
    } cases[] = {
        {"name.ext:D", cacheDir + "/name.ext"},
        {"/usr/data/form.pcx", cacheDir + "/form.pcx"},
        {"A\\B\\C.TXT", cacheDir + "/C.TXT"},
        {"/etc/..", ""},
        {"dir/", ""},
        {"bad\x02", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cache.GetLocalName(c.host), c.local) << c.host;
}

TEST_F(CacheTest, AKeptCopyOfTheSameSizeAndDateIsUsedWithoutATransfer)
{
    std::string local;
    bool moved = false;
    ASSERT_TRUE(fetch(factsOf(logo), &local, &moved));
    EXPECT_TRUE(moved);
    EXPECT_EQ(local, cacheDir + "/LOGO.BMP");
    EXPECT_EQ(platform::fileio::fileInfo(local).size, 3000u);
    EXPECT_EQ(platform::fileio::fileInfo(local).modified, 1600000000);
    // The folder was made, and the settings written back.
    EXPECT_EQ(setting("CACHE_PATH"), cacheDir);
    EXPECT_EQ(setting("CACHE_DISABLED"), "no");

    ASSERT_TRUE(fetch(factsOf(logo), &local, &moved));
    EXPECT_FALSE(moved);
    EXPECT_EQ(peer.count(CMD_TYP_READ), 1u);

    struct Case
    {
        const char* what;
        HostFileFacts facts;
        uint8_t option;
    };
    HostFile newer = logo;
    newer.date += 60;
    HostFile bigger = logo;
    bigger.bytes.push_back('x');
    const Case refetched[] = {
        {"another date", factsOf(newer), 0},
        {"another size", factsOf(bigger), 0},
        {"no facts", HostFileFacts{}, 0},
        {"converted text", factsOf(logo), 1},
    };
    size_t reads = 1;
    for (const auto& c : refetched) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(fetch(c.facts, &local, &moved, c.option));
        EXPECT_TRUE(moved);
        EXPECT_EQ(peer.count(CMD_TYP_READ), ++reads);
    }
}

TEST_F(CacheTest, ADisabledCacheFetchesEveryTime)
{
    ASSERT_TRUE(SetCFGString("CACHE_DISABLED", "YES"));
    std::string local;
    bool moved = false;
    ASSERT_TRUE(fetch(factsOf(logo), &local, &moved));
    ASSERT_TRUE(fetch(factsOf(logo), &local, &moved));
    EXPECT_TRUE(moved);
    EXPECT_EQ(peer.count(CMD_TYP_READ), 2u);
    EXPECT_EQ(setting("CACHE_DISABLED"), "YES"); // what the person wrote stays
}

TEST_F(CacheTest, AFileTheHostDoesNotHaveIsNotFetched)
{
    std::string local = "stale";
    EXPECT_FALSE(FetchHostFile(link, ui, clock, "NONE.BMP", HostFileFacts{}, 0, &local));
    EXPECT_TRUE(local.empty());
    EXPECT_FALSE(platform::fileio::fileInfo(cacheDir + "/NONE.BMP").exists);
}

TEST_F(CacheTest, TwoJobsWantingOneFileFetchItOnce)
{
    FakeHostPeer other;
    other.addFile("/u/LOGO.BMP:C", logo);
    other.start();
    ScriptedUiBridge otherUi;
    FakePacketClock otherClock(0);
    PacketLink otherLink(other.serverSide(), otherUi, otherClock);

    std::string first, second;
    bool ok1 = false, ok2 = false;
    std::thread a([&] { ok1 = FetchHostFile(link, ui, clock, "/u/LOGO.BMP:C", factsOf(logo), 0, &first); });
    std::thread b([&] {
        ok2 = FetchHostFile(otherLink, otherUi, otherClock, "/u/LOGO.BMP:C", factsOf(logo), 0, &second);
    });
    a.join();
    b.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
    EXPECT_EQ(first, second);
    EXPECT_EQ(peer.count(CMD_TYP_READ) + other.count(CMD_TYP_READ), 1u);
    EXPECT_EQ(platform::fileio::fileInfo(first).size, 3000u);
}

} // namespace
