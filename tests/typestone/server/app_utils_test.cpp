#include "typestone/server/app_text.h"
#include "typestone/server/app_wait.h"
#include "typestone/server/aux_buffer.h"
#include "typestone/server/web_site.h"

#include "app_fixture.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

} // namespace
