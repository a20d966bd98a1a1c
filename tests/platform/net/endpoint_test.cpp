#include "platform/net/endpoint.h"

#include <gtest/gtest.h>

using namespace platform::net;

TEST(Endpoint, ParsesOnlyStrictDottedIpv4AndFormatsItBack)
{
    const struct
    {
        const char* text;
        std::optional<uint32_t> value;
    } cases[] = {
        {"127.0.0.1", 0x7F000001u},
        {"0.0.0.0", 0u},
        {"255.255.255.255", 0xFFFFFFFFu},
        {"10.1.2.3", 0x0A010203u},
        {"", std::nullopt},
        {"localhost", std::nullopt},
        {"127.1", std::nullopt},
        {"256.0.0.1", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1.2.3.4 ", std::nullopt},
        {"0x7f.0.0.1", std::nullopt},
        {"::1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseIpv4(c.text), c.value) << c.text;
        if (c.value) {
            EXPECT_EQ(formatIpv4(*c.value), c.text);
        }
    }
    EXPECT_EQ((Endpoint{"127.0.0.1", 3339}).toString(), "127.0.0.1:3339");
}

TEST(Endpoint, LoopbackIsExactly127Slash8)
{
    const struct
    {
        const char* address;
        bool loopback;
    } cases[] = {
        {"127.0.0.1", true},  {"127.255.255.254", true}, {"127.1.2.3", true}, {"126.255.255.255", false},
        {"128.0.0.1", false}, {"0.0.0.0", false},        {"10.0.0.1", false}, {"localhost", false},
        {"", false},          {"127.1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isLoopback(c.address), c.loopback) << c.address;
    EXPECT_TRUE(isLoopback(0x7F000001u));
    EXPECT_FALSE(isLoopback(0x80000001u));
}
