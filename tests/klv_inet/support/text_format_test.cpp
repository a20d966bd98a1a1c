#include "klv_inet/support/date_version_format.h"
#include "klv_inet/support/file_types.h"
#include "klv_inet/support/size_format.h"
#include "klv_inet/support/text_utils.h"

#include "tests/support/env/scoped_env.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(FormatSize, ScaleFollowsTheBasisAndPrintsTheValue)
{
    const struct
    {
        const char* unit;
        uint64_t value, basis;
        int decimals;
        const char* text;
    } cases[] = {
        {"bytes", 512, 0, 1, "512 bytes"},
        {"bytes", 1024, 0, 1, "1024 bytes"},
        {"bytes", 1025, 0, 1, "1,0 Kbytes"},
        {"bytes", 1536, 0, 1, "1,5 Kbytes"},
        {"bytes", 1023, 0, 1, "1023 bytes"},
        {"bytes", 2047, 0, 1, "1,9 Kbytes"}, // tenths are capped at 9
        {"bytes", 1536, 0, 0, "1 Kbytes"},
        {"bytes", 1048576, 0, 1, "1024,0 Kbytes"},
        {"bytes", 3 * 1048576 + 524288, 0, 1, "3,500 Mbytes"},
        {"bytes", 3 * 1048576 + 524288, 0, 0, "3 Mbytes"},
        {"bytes", 512, 2 * 1048576, 1, "0,000 Mbytes"}, // shown in the basis' scale
        {"", 1536, 0, 1, "1,5 "},
        {nullptr, 3 * 1048576, 0, 0, "3 "},
        {"", 100, 0, 1, "100 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSize(c.unit, c.value, c.basis, c.decimals), c.text)
            << c.value << " basis " << c.basis;
}

TEST(FmtVersionStr, HundredthsAndTenThousandths)
{
    const struct
    {
        uint32_t v;
        const char* text;
    } cases[] = {
        {242, "2.42.00"}, {24201, "2.42.01"}, {9999, "99.99.00"}, {10000, "1.00.00"}, {0, "0.00.00"}};
    std::string out;
    for (const auto& c : cases)
        EXPECT_EQ(FmtVersionStr(c.v, out), c.text);
}

TEST(FmtDateStr, DayFirstByDefault)
{
    ts::support::ScopedEnv tz("TZ", "UTC");
    tzset();
    std::string out;
    EXPECT_EQ(FmtDateStr(1796800000, out, 0), "09/12"); // 2026-12-09 UTC
    EXPECT_EQ(FmtDateStr(1796800000, out, 1), "09/12/2026");
}

TEST(FileTypes, ExtensionsAndHostSyntax)
{
    const struct
    {
        const char* path;
        const char* ext;
        int is;
    } ext[] = {
        {"PICTURE.JPG:a", ".jpg", 1},
        {"/img/photo.Jpg", ".jpg", 1},
        {"C:\\img\\a.bmp", ".BMP", 1},
        {"name.bmp:ab", ".bmp", 0},
        {"dir.jpg/file", ".jpg", 0},
        {"noext", ".jpg", 0},
        {"", ".jpg", 0},
        {nullptr, ".jpg", 0},
        {"x.jpg:", ".jpg", 0},
    };
    for (const auto& c : ext)
        EXPECT_EQ(IsFileExt(c.path, c.ext), c.is) << (c.path ? c.path : "(null)");
    EXPECT_EQ(IsJPG("a.jpg"), 1);
    EXPECT_EQ(IsBMP("a.jpg"), 0);

    const struct
    {
        const char* name;
        int is;
    } host[] = {{"/usr/file", 1},  {"C:\\file", 0}, {"file:ab", 0},
                {"name.ext:a", 1}, {"file:", 0},    {"plain", 1}};
    for (const auto& c : host)
        EXPECT_EQ(IsVALDORPath(c.name), c.is) << c.name;
}

TEST(TextUtils, ExtractLineEndsAndHeapCopy)
{
    std::string out = "old";
    EXPECT_EQ(ExtractFromStr("Ver=1.20, Count=3", "Count=", out), 1);
    EXPECT_EQ(out, "3");
    EXPECT_EQ(ExtractFromStr("Ver=1.20, Count=3", "Ver=", out), 1);
    EXPECT_EQ(out, "1.20");
    EXPECT_EQ(ExtractFromStr("Ver=1.20", "Size=", out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(ExtractFromStr("Ver=1.20", "", out), 0);

    std::string t = "a\nb\r\nc\n";
    EXPECT_EQ(ConvertLF_To_CRLF(t), "a\r\nb\r\nc\r\n");
    t = "\n";
    EXPECT_EQ(ConvertLF_To_CRLF(t), "\r\n");

    char* copy = AuxStrDup("text", __FILE__, __LINE__);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "text");
    std::free(copy);
    EXPECT_EQ(AuxStrDup(nullptr), nullptr);
}
