// What a transfer does to names and bytes: the local and host names it forms, the character
// tables of both keyboard variants, text conversion and the checksum.

#include "typestone/server/host_name_map.h"
#include "typestone/server/transfer_tables.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace typestone;

namespace {

TEST(TransferNames, AHostNameBecomesASafeNameInTheTargetFolder)
{
    struct Case
    {
        const char* host;
        const char* target;
        std::optional<std::string> local;
    };
    const Case cases[] = {
        {"LOGO.BMP", "/cache/LOGO.BMP", "/cache/LOGO.BMP"},
        {"/usr/data/file.txt:C", "/cache/", "/cache/file.txt"},
        {"README", "/cache/", "/cache/README"}, // no extension: no trailing dot
        {"a.b.c", "/cache/", "/cache/c.b"},
        {"x.dat", "/out/=.PRN", "/out/x.PRN"},
        {"x.dat", "/out/NEW.=", "/out/NEW.dat"},
        {"..", "/cache/", std::nullopt},
        {"a..b", "/cache/", "/cache/b"},
        {"f.txt", "/cache/x..y", std::nullopt},
        {"dir\\..\\evil", "/cache/", std::nullopt},
        {"bad\x01name", "/cache/", std::nullopt},
        {"", "/cache/", std::nullopt},
        {"x.dat", "/out/../=.=", "/out/../x.dat"}, // the target's own folder is the caller's
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " -> " + c.target);
        EXPECT_EQ(MapHostName(c.host, c.target), c.local);
    }
}

TEST(TransferNames, ALocalNameBecomesAValidHostName)
{
    struct Case
    {
        const char* local;
        const char* target;
        std::optional<std::string> host;
    };
    const Case cases[] = {
        {"/tmp/report.txt", "/u/", "/u/report.txt"}, {"/tmp/report.txt", "/u/=.=:C", "/u/report.txt:C"},
        {"/tmp/a.txt", "/u/b.c.d", "/u/b.c.d"},      {"/tmp/a.txt", "/u/B.=", "/u/B.txt"},
        {"/tmp/a=b.txt", "/u/", std::nullopt},       {"/tmp/a.txt", "/u/x:CD", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.local) + " -> " + c.target);
        EXPECT_EQ(MapWindowsName(c.local, c.target), c.host);
    }
    EXPECT_TRUE(CheckHostName("A.B:C"));
    EXPECT_FALSE(CheckHostName("A.B:CD"));
    EXPECT_FALSE(CheckHostName("A=B"));
}

TEST(TransferTables, TheKeyboardPicksItsEntriesAndTheRestRoundTrips)
{
    struct Entry
    {
        uint8_t win, toHost;
    };
    struct Variant
    {
        const char* keyboard;
        std::vector<Entry> winToHost;
        std::vector<Entry> hostToWin;
    };
    const Variant variants[] = {
        {"US", {{0x98, 0xEA}, {0xA6, 0x32}, {0xA7, 0x32}, {0xE1, 0xE0}}, {{0xE0, 0xE1}, {0xEA, 0x98}}},
        {"SP", {{0x98, 0x32}, {0xA6, 0xE0}, {0xA7, 0xEA}, {0xE1, 0x32}}, {{0xE0, 0xA6}, {0xEA, 0xA7}}},
        {"LATAM-SP", {{0x98, 0x32}}, {{0xE0, 0xA6}}},
    };
    for (const auto& v : variants) {
        SCOPED_TRACE(v.keyboard);
        const TransferTables t = MakeTransferTables(v.keyboard);
        for (const auto& e : v.winToHost)
            EXPECT_EQ(t.winToHost[e.win], e.toHost) << int(e.win);
        for (const auto& e : v.hostToWin)
            EXPECT_EQ(t.hostToWin[e.win], e.toHost) << int(e.win);
        // Fixed entries of both tables.
        EXPECT_EQ(t.winToHost[0x15], 0xEB);
        EXPECT_EQ(t.winToHost[0x81], 0xD4);
        EXPECT_EQ(t.hostToWin[0xC0], 0x8E);
        EXPECT_EQ(t.hostToWin[0xFF], 0x20);
        // Host letters, lines and signs come back as they went.
        for (int h = 0; h < 256; ++h) {
            const bool roundTrips =
                (h < 0x80 && h != 0x15) || (h >= 0xA0 && h <= 0xB9 && h != 0xAD) || (h >= 0xC0 && h <= 0xED);
            if (roundTrips) {
                EXPECT_EQ(t.winToHost[t.hostToWin[size_t(h)]], h) << "host byte " << h;
            }
        }
    }
}

TEST(TransferTables, TheTransfersFollowTheKeyboardProvider)
{
    SetKeyboardProvider([] { return std::string("SP"); });
    EXPECT_EQ(CurrentTransferTables().hostToWin[0xE0], 0xA6);
    SetKeyboardProvider([] { return std::string(); }); // no code: US
    EXPECT_EQ(CurrentTransferTables().hostToWin[0xE0], 0xE1);
    SetKeyboardProvider({});
}

TEST(TransferTables, HostTextGetsLineFeedsAndLocalTextLosesThem)
{
    const TransferTables t = MakeTransferTables("US");
    const std::string host = "L1\rL2\r\xC0";
    std::string local;
    HostToWindowsText(t, kXferText, reinterpret_cast<const uint8_t*>(host.data()), host.size(), &local);
    EXPECT_EQ(local, "L1\r\nL2\r\n\x8E");
    std::string raw;
    HostToWindowsText(t, kXferRaw, reinterpret_cast<const uint8_t*>(host.data()), host.size(), &raw);
    EXPECT_EQ(raw, host);

    std::string back;
    uint64_t dropped = 0;
    WindowsToHostText(t, kXferText, reinterpret_cast<const uint8_t*>(local.data()), local.size(), &back,
                      &dropped);
    EXPECT_EQ(back, "L1\rL2\r\xC0");
    EXPECT_EQ(dropped, 2u);

    // A block of nothing but carriage returns doubles: the output has room for it.
    const std::vector<uint8_t> crs(16384, '\r');
    std::string doubled;
    HostToWindowsText(t, kXferText, crs.data(), crs.size(), &doubled);
    EXPECT_EQ(doubled.size(), 32768u);
}

TEST(TransferChecksum, WordsAreXoredAcrossPiecesWithAnOddLastByte)
{
    auto sum = [](const std::vector<std::vector<uint8_t>>& pieces) {
        TransferChecksum c;
        for (const auto& p : pieces)
            c.feed(p.data(), p.size());
        return c.value();
    };
    EXPECT_EQ(sum({{'a', 'b', 'c'}}), 0x6202);
    EXPECT_EQ(sum({{'a'}, {'b', 'c'}}), 0x6202);
    EXPECT_EQ(sum({{'a', 'b', 'c', 'd'}}), 0x6261 ^ 0x6463);
    EXPECT_EQ(sum({}), 0);
    // A block boundary at an odd offset carries the byte over.
    std::vector<uint8_t> data(16385);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7 + 3);
    TransferChecksum whole;
    whole.feed(data.data(), data.size());
    TransferChecksum blocks;
    blocks.feed(data.data(), 16383);
    blocks.feed(data.data() + 16383, 2);
    EXPECT_EQ(blocks.value(), whole.value());
    uint16_t expected = 0;
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        expected ^= uint16_t(data[i] | (data[i + 1] << 8));
    expected ^= data.back();
    EXPECT_EQ(whole.value(), expected);
}

} // namespace
