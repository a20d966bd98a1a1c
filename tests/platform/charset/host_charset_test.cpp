#include "platform/charset/host_charset.h"

#include "platform/charset/oem_ansi.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::charset {
namespace {

TEST(HostToOem, MatchesTheHostCharacterSetTable)
{
    // OEM bytes for host 0xA0-0xEF, one row per 16 host bytes.
    const std::uint8_t rows[5][16] = {
        {0xDA, 0xBF, 0xD9, 0xC0, 0xC5, 0xC3, 0xB4, 0xC2, 0xC1, 0xC4, 0xB3, 0xB0, 0xB2, 0xDF, 0xDB, 0xC9},
        {0xBB, 0xBC, 0xC8, 0xCE, 0xCC, 0xB9, 0xCB, 0xCA, 0xCD, 0xBA, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20},
        {0x8E, 0x84, 0x83, 0x85, 0xA0, 0x90, 0x89, 0x88, 0x8A, 0x82, 0x8B, 0x8C, 0x8D, 0xA1, 0x99, 0x94},
        {0x93, 0x95, 0xA2, 0x9A, 0x81, 0x96, 0x97, 0xA3, 0x80, 0x87, 0xA5, 0xA4, 0x92, 0x91, 0x8F, 0x86},
        {0xA6, 0xA8, 0xAD, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F, 0xAC, 0xAB, 0xA7, 0x15, 0xF8, 0xFD, 0x20, 0x20},
    };
    const ByteTable& table = hostToOemTable();
    for (int host = 0; host < 256; ++host) {
        SCOPED_TRACE(testing::Message() << "host 0x" << std::hex << host);
        if (host < 0xA0) {
            EXPECT_EQ(table[host], host);
        } else if (host < 0xF0) {
            EXPECT_EQ(table[host], rows[(host - 0xA0) / 16][host % 16]);
        } else {
            EXPECT_EQ(table[host], 0x20);
        }
    }
}

TEST(HostToAnsi, GoesThroughOemButKeepsTheEuroAndSectionSigns)
{
    const ByteTable& table = hostToAnsiTable();
    for (int host = 0; host < 256; ++host) {
        if (host == kHostEuro || host == kHostSection) {
            continue;
        }
        EXPECT_EQ(table[host], oemToAnsiTable()[hostToOemTable()[host]]) << "host " << host;
    }
    // clang-format off
    const struct
    {
        std::uint8_t host;
        std::uint8_t ansi;
    } rows[] = {
        {0xE7, 0x80}, // euro sign (OEM 0x9F would give 'ƒ')
        {0xEB, 0xA7}, // section sign (OEM 0x15 would stay a control code)
        {0xC9, 0xE9}, {0xD8, 0xC7}, {0xDB, 0xF1}, {0xDA, 0xD1}, {0xE0, 0xAA}, {0xE1, 0xBF},
        {0xEC, 0xB0}, {0xED, 0xB2}, {0xE6, 'P'},  {0xA0, '+'},  {0xA9, '-'},  {0xAA, 0xA6},
        {0xAB, 0xA6}, {0xBA, ' '},  {0xF5, ' '},  {0x41, 0x41}, {0x00, 0x00}, {0x9F, 0x83},
    };
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_EQ(table[row.host], row.ansi) << std::hex << "host 0x" << int(row.host);
    }
}

TEST(HostToOem, Converters)
{
    const std::string host("\xA0\xA9\xA1\r\xC9t\xC9 \xE7\xEB\0\xF3", 12);
    const std::string oem("\xDA\xC4\xBF\r\x82t\x82 \x9F\x15\0 ", 12);
    const std::string ansi("+-+\r\xE9t\xE9 \x80\xA7\0 ", 12);

    EXPECT_EQ(hostToOem(host), oem);
    EXPECT_EQ(hostToAnsi(host), ansi);

    std::string text = host;
    hostToOemInPlace(text);
    EXPECT_EQ(text, oem);
    text = host;
    hostToAnsiInPlace(text);
    EXPECT_EQ(text, ansi);

    char buffer[12];
    hostToOem(host.data(), buffer, host.size());
    EXPECT_EQ(std::string(buffer, sizeof buffer), oem);
    hostToAnsi(host.data(), buffer, host.size());
    EXPECT_EQ(std::string(buffer, sizeof buffer), ansi);
    host.copy(buffer, host.size());
    hostToOemInPlace(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, sizeof buffer), oem);
    host.copy(buffer, host.size());
    hostToAnsiInPlace(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, sizeof buffer), ansi);
}

} // namespace
} // namespace platform::charset
