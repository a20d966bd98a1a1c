#include "typestone/server/app_text.h"
#include "typestone/server/app_wait.h"
#include "typestone/server/aux_buffer.h"
#include "typestone/server/banner.h"
#include "typestone/server/get_dev_mode.h"
#include "typestone/server/path_fit.h"
#include "typestone/server/socket_address.h"
#include "typestone/server/web_site.h"

#include "tests/support/draw/fake_font_engine.h"

#include "platform/draw/recording_dc.h"
#include "platform/net/socket.h"
#include "platform/net/tcp.h"
#include "platform/net/udp.h"
#include "platform/spooler/folder_spooler.h"

#include "app_fixture.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

using namespace typestone;

TEST(AuxBufferTest, EnsureFreesGrowsAndKeeps)
{
    uint8_t* buffer = nullptr;
    size_t size = 0;
    size_t used = 7;
    EXPECT_FALSE(EnsureBuffer(nullptr, &size, &used, 10)); // no buffer slot
    ASSERT_TRUE(EnsureBuffer(&buffer, &size, &used, 16));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(used, 0u);
    for (size_t i = 0; i < size; ++i)
        EXPECT_EQ(buffer[i], 0);
    buffer[0] = 'x';
    uint8_t* const first = buffer;
    used = 5;
    ASSERT_TRUE(EnsureBuffer(&buffer, &size, &used, 8)); // large enough: the same block
    EXPECT_EQ(buffer, first);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(used, 0u);
    ASSERT_TRUE(EnsureBuffer(&buffer, &size, &used, 32)); // too small: a new zeroed block
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(buffer[0], 0);
    FreeBuffer(&buffer, &size, &used);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(AuxBufferTest, GrowingTwiceKeepsWhatWasWritten)
{
    uint8_t* buffer = nullptr;
    size_t size = 0;
    ASSERT_NE(GrowBuffer(&buffer, &size, 4), nullptr);
    std::memcpy(buffer, "abcd", 4);
    ASSERT_NE(GrowBuffer(&buffer, &size, 8), nullptr);
    std::memcpy(buffer + 4, "efgh", 4);
    ASSERT_NE(GrowBuffer(&buffer, &size, 12), nullptr);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 8), "abcdefgh");
    EXPECT_EQ(buffer[8], 0);
    uint8_t* const kept = buffer;
    EXPECT_EQ(GrowBuffer(&buffer, &size, 6), kept); // already large enough
    EXPECT_EQ(size, 12u);
    std::free(buffer);
}

TEST(AppTextTest, TrimOneCharAndBoundedNames)
{
    const struct
    {
        const char* in;
        const char* out;
    } trims[] = {{"  a b  ", "a b"}, {"", ""}, {"   ", ""}, {"x", "x"}, {" x", "x"}, {"x ", "x"}};
    for (const auto& c : trims) {
        char buffer[32];
        std::strcpy(buffer, c.in);
        EXPECT_STREQ(TrimBlanks(buffer), c.out) << '"' << c.in << '"';
        std::string s = c.in;
        EXPECT_EQ(TrimBlanks(s), c.out) << '"' << c.in << '"';
    }
    EXPECT_EQ(TrimBlanks(static_cast<char*>(nullptr)), nullptr);

    EXPECT_TRUE(IsOneChar("\\", '\\'));
    EXPECT_FALSE(IsOneChar("\\\\", '\\'));
    EXPECT_FALSE(IsOneChar("", '\\'));

    char name[kNameBufferSize];
    CopyName(name, "C:\\PDF\\");
    AppendName(name, "OUT.PDF");
    EXPECT_STREQ(name, "C:\\PDF\\OUT.PDF");
    const std::string longText(400, 'n');
    CopyName(name, longText.c_str());
    EXPECT_EQ(std::strlen(name), kNameBufferSize - 1);
    AppendName(name, "more"); // full: nothing more fits
    EXPECT_EQ(std::strlen(name), kNameBufferSize - 1);
    EXPECT_EQ(CopyName(nullptr, "x"), nullptr);
}

TEST(AppTextTest, ErrorText)
{
    std::string out;
    const std::string expected = std::string("OpenPrinter\nError=2 (0x00000002)-") + std::strerror(ENOENT);
    EXPECT_EQ(ErrorText(out, "OpenPrinter", ENOENT), expected);
    EXPECT_EQ(ErrorText(out, nullptr, ENOENT), expected.substr(std::strlen("OpenPrinter")));
}

TEST(AppTextTest, HostDatesOutsideTheCalendarBecomeNow)
{
    setenv("TZ", "UTC", 1);
    tzset();
    const struct
    {
        int64_t date;
        bool kept;
    } cases[] = {
        {1796800000, true},                            // 2026-12-09
        {315532800, true},                             // 1980-01-01 00:00
        {315532799, false},                            // 1979-12-31 23:59:59
        {0, false},                                    // 1970
        {-1, false},        {int64_t(1) << 45, false}, // a year beyond what the calendar holds
    };
    for (const auto& c : cases) {
        int64_t date = c.date;
        const int64_t before = CurrentTime();
        CheckHostDate(&date);
        if (c.kept)
            EXPECT_EQ(date, c.date);
        else
            EXPECT_GE(date, before) << c.date;
    }
}

TEST(WebSiteTest, OnlyWebAddressesAreOpened)
{
    const struct
    {
        const char* url;
        bool web;
    } cases[] = {
        {"https://example.org/valdorws/kdr-us/home.html", true},
        {"HTTP://example.org", true},
        {"http://", false},
        {"", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"ftp://example.org/x", false},
        {"/usr/bin/xterm", false},
        {"example.org", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWebUrl(c.url), c.web) << c.url;
    // Refused before any handler is asked.
    EXPECT_FALSE(GoToWebSite("file:///etc/passwd"));
    EXPECT_FALSE(GoToWebSite(""));
}

TEST(AppWaitTest, EndsAndPumpsWhenAsked)
{
    apptest::ensureQtApp();
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    Wait(0, true);   // nothing
    Wait(30, false); // a sleep: the queued call waits
    EXPECT_FALSE(ran);
    QElapsedTimer clock;
    clock.start();
    Wait(50, true);
    EXPECT_TRUE(ran);
    EXPECT_GE(clock.elapsed(), 50);
    MMWait(5, true);
}

TEST(SocketAddressTest, OurEndOfBoundAndConnectedSockets)
{
    platform::net::SocketResult listener = platform::net::listenTcp("127.0.0.1", 0, 1, false);
    ASSERT_TRUE(listener.ok()) << listener.error.text;
    platform::net::SocketResult client = platform::net::connectTcp("127.0.0.1", listener.local.port, 5000);
    ASSERT_TRUE(client.ok()) << client.error.text;
    platform::net::SocketResult udp = platform::net::bindUdp("127.0.0.1", 0, false);
    ASSERT_TRUE(udp.ok()) << udp.error.text;
    platform::net::Socket closed;

    struct Case
    {
        const char* what;
        const platform::net::Socket& socket;
        bool ok;
        uint16_t port; // 0: any but 0
    };
    const Case cases[] = {
        {"listener", listener.socket, true, listener.local.port},
        {"connected", client.socket, true, client.local.port},
        {"udp", udp.socket, true, udp.local.port},
        {"closed", closed, false, 0},
    };
    for (const Case& c : cases) {
        std::string address = "stale";
        uint16_t port = 1;
        EXPECT_EQ(GetLocalSockAddr(c.socket, &address, &port), c.ok) << c.what;
        EXPECT_EQ(address, c.ok ? "127.0.0.1" : "") << c.what;
        EXPECT_EQ(port, c.port) << c.what;
    }
}

TEST(PathFitTest, KeepsTheStartAndAsMuchOfTheEndAsFits)
{
    // A fixed face 6 pixels a character: a rectangle of 90 pixels holds 15 characters.
    platform::draw::FakeFontEngine fonts;
    platform::draw::RecordingDc dc;
    dc.selectFont(fonts.createFont(platform::draw::makeLogFont("Courier New", 10)));
    const platform::draw::Rect rect{0, 0, 90, 20};
    struct Case
    {
        const char* text;
        char separator;
        const char* fitted;
    };
    const Case cases[] = {
        {"C:\\A\\B.TXT", '\\', "C:\\A\\B.TXT"},                        // fits as it is
        {"C:\\DIR1\\DIR2\\F.TXT", '\\', "C:\\...\\F.TXT"},             // to the last part
        {"C:\\D1\\D2\\D3\\D4\\F", '\\', "C:\\...\\D3\\D4\\F"},         // from the first later part that fits
        {"C:\\DIR\\LONGFILENAME.TXT", '\\', "C:\\...ENAME.TXT"},       // the last part cut from its front
        {"C:\\LONGFILENAME.TXT", '\\', "C:\\...ENAME.TXT"},            // one separator only
        {"VERYLONGSERVERNAME\\X\\Y", '\\', "VERYLONGSERVERNAME\\..."}, // not even the start fits
        {"C:\\DIR1\\DIR2\\F.TXT", '\0', "C:\\DIR1\\DIR2\\F.TXT"},      // no separator given
        {"/usr/share/doc/xyz", '\\', "/usr/share/doc/xyz"},            // none in the text
        {"", '\\', ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitPath(dc, rect, c.text, c.separator), c.fitted) << c.text;

    // Without a font nothing is measured wide: the text stays.
    platform::draw::RecordingDc bare;
    EXPECT_EQ(FitPath(bare, rect, "C:\\DIR1\\DIR2\\F.TXT", '\\'), "C:\\DIR1\\DIR2\\F.TXT");
}

TEST(BannerTest, ProductWordAndVersionInYellowThenTheOldFontBack)
{
    platform::draw::FakeFontEngine fonts;
    platform::draw::RecordingDc dc;
    dc.selectFont(fonts.createFont(platform::draw::makeLogFont("Arial", 12)));
    dc.clear();
    PaintBanner(dc, fonts, "Version 2.42.00");
    const std::string face = "font 'MS Sans Serif' ";
    const std::string rest = " underline=0 strikeout=0 charset=0 esc=0";
    EXPECT_EQ(dc.lines(), (std::vector<std::string>{
                              "textcolor #ffff00",
                              "bkmode transparent",
                              face + "h=-20 w=0 weight=400 italic=1" + rest,
                              "text 10,10 'Typestone'",
                              face + "h=-10 w=0 weight=400 italic=0" + rest,
                              "text 10,40 'Version 2.42.00'",
                              "font 'Arial' h=12 w=0 weight=0 italic=0" + rest,
                              "bkmode opaque",
                          }));
    EXPECT_EQ(dc.backgroundMode(), platform::draw::BackgroundMode::Opaque);
}

TEST(GetDevModeTest, DriverSettingsWithTheStoredOnesOverThem)
{
    apptest::TempFolders folders;
    for (const char* printer : {"Alpha", "Beta"})
        std::filesystem::create_directories(folders.path("spool/") + printer);
    std::string error;
    auto spooler = platform::spooler::FolderSpooler::open(folders.path("spool"), &error);
    ASSERT_TRUE(spooler) << error;
    platform::spooler::PrinterDefaults driver;
    driver.media = "na_letter_8.5x11in";
    driver.copies = 2;
    ASSERT_TRUE(spooler->saveDefaults("Beta", driver, &error)) << error;
    std::ofstream(folders.path("spool/.default")) << "Beta\n";

    DevMode stored("Beta", driver);
    stored.settings.orientation = platform::spooler::Orientation::Landscape;
    stored.settings.copies = 5;
    stored.extra = {{"output-bin", "top"}};

    struct Case
    {
        const char* device;
        const DevMode* stored;
        bool ok;
        std::string printer;
        platform::spooler::PrinterDefaults settings;
    };
    platform::spooler::PrinterDefaults landscape5 = driver;
    landscape5.orientation = platform::spooler::Orientation::Landscape;
    landscape5.copies = 5;
    const Case cases[] = {
        {"Beta", nullptr, true, "Beta", driver},       {"Beta", &stored, true, "Beta", landscape5},
        {"", nullptr, true, "Beta", driver}, // the spooler's default printer
        {"Alpha", &stored, true, "Alpha", landscape5}, {"Gamma", nullptr, false, "", {}},
    };
    for (const Case& c : cases) {
        DevMode got;
        std::string why;
        EXPECT_EQ(GetDevMode(*spooler, c.stored, c.device, &got, &why), c.ok) << c.device;
        if (!c.ok) {
            EXPECT_NE(why.find("'Gamma' not found"), std::string::npos) << why;
            continue;
        }
        EXPECT_EQ(got.deviceName(), c.printer) << c.device;
        EXPECT_EQ(got.settings, c.settings) << c.device;
        EXPECT_EQ(got.extra.size(), c.stored ? 1u : 0u) << c.device;
    }

    auto empty = platform::spooler::FolderSpooler::open(folders.path("state"), &error);
    ASSERT_TRUE(empty) << error;
    DevMode none;
    EXPECT_FALSE(GetDevMode(*empty, nullptr, "", &none, &error));
    EXPECT_NE(error.find("no printer"), std::string::npos) << error;
}

TEST(GetDevModeTest, StoredFieldsOverTheDriversCurrentSettings)
{
    using platform::spooler::ColorMode;
    using platform::spooler::Orientation;
    using platform::spooler::PrinterDefaults;
    using platform::spooler::PrintQuality;
    using platform::spooler::Sides;
    // A printer whose settings differ from the built-in ones in every field, narrow margins
    // among them.
    PrinterDefaults driver;
    driver.media = "na_letter_8.5x11in";
    driver.orientation = Orientation::Portrait;
    driver.copies = 3;
    driver.sides = Sides::TwoSidedLongEdge;
    driver.colorMode = ColorMode::Monochrome;
    driver.quality = PrintQuality::Draft;
    driver.resolution = {300, 300};
    driver.margins = {150, 250, 350, 450};

    // What the shared-printer configuration stored for it, read back from its block the way
    // the store gives it.
    DevMode written("Office", PrinterDefaults{});
    written.settings.media = "iso_a5_148x210mm";
    written.settings.orientation = Orientation::Landscape;
    written.settings.copies = 2;
    written.settings.sides = Sides::TwoSidedShortEdge;
    written.settings.colorMode = ColorMode::Color;
    written.settings.quality = PrintQuality::High;
    written.settings.resolution = {1200, 600};
    written.extra = {{"output-bin", "top"}};
    const std::vector<uint8_t> block = written.toBytes();
    std::string error;
    std::optional<DevMode> stored = DevMode::fromBytes(block.data(), block.size(), &error);
    ASSERT_TRUE(stored) << error;

    struct Field
    {
        const char* name;
        std::function<bool(const PrinterDefaults&)> fromStored; // else the driver's
    };
    const Field fields[] = {
        {"media", [](const PrinterDefaults& s) { return s.media == "iso_a5_148x210mm"; }},
        {"orientation 2 is landscape",
         [](const PrinterDefaults& s) { return s.orientation == Orientation::Landscape; }},
        {"copies", [](const PrinterDefaults& s) { return s.copies == 2; }},
        {"sides", [](const PrinterDefaults& s) { return s.sides == Sides::TwoSidedShortEdge; }},
        {"colour", [](const PrinterDefaults& s) { return s.colorMode == ColorMode::Color; }},
        {"quality", [](const PrinterDefaults& s) { return s.quality == PrintQuality::High; }},
        {"resolution",
         [](const PrinterDefaults& s) {
             return s.resolution == platform::spooler::Resolution{1200, 600};
         }},
    };

    apptest::TempFolders folders;
    std::filesystem::create_directories(folders.path("spool/Office"));
    auto spooler = platform::spooler::FolderSpooler::open(folders.path("spool"), &error);
    ASSERT_TRUE(spooler) << error;
    ASSERT_TRUE(spooler->saveDefaults("Office", driver, &error)) << error;

    DevMode merged;
    ASSERT_TRUE(GetDevMode(*spooler, &*stored, "Office", &merged, &error)) << error;
    for (const Field& f : fields)
        EXPECT_TRUE(f.fromStored(merged.settings)) << f.name;
    // The margins are the printer's: the block has no place for them.
    EXPECT_EQ(merged.settings.margins, driver.margins);
    EXPECT_EQ(merged.extra, stored->extra);
    EXPECT_EQ(merged.deviceName(), "Office");

    // Without a stored block every field is the driver's.
    DevMode plain;
    ASSERT_TRUE(GetDevMode(*spooler, nullptr, "Office", &plain, &error)) << error;
    EXPECT_EQ(plain.settings, driver);
    for (const Field& f : fields)
        EXPECT_FALSE(f.fromStored(plain.settings)) << f.name;
}

} // namespace
