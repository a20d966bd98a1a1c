#include "platform/bytes/le_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using platform::bytes::LeReader;

TEST(LeReader, ReadsLittleEndianFieldsInOrder)
{
    const uint8_t block[] = {0x7F, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF};
    LeReader r(block, sizeof block);
    EXPECT_EQ(r.u8(), 0x7F);
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_EQ(r.i32(), -2);
    EXPECT_EQ(r.u32(), 0x12345678u);
    EXPECT_EQ(r.i16(), -1);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
}

// A field that does not fit reads as zero and the failure sticks: later fields that would fit
// read as zero too, and nothing past the block is touched.
TEST(LeReader, ShortBlockFailsForGood)
{
    const uint8_t block[] = {0x01, 0x02, 0x03};
    LeReader r(block, sizeof block);
    EXPECT_EQ(r.u16(), 0x0201);
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.u8(), 0u);
    EXPECT_EQ(r.text(1), "");
    EXPECT_EQ(r.remaining(), 0u);

    LeReader none(nullptr, 10);
    EXPECT_EQ(none.u8(), 0u);
    EXPECT_FALSE(none.ok());

    LeReader seekPast(block, sizeof block);
    seekPast.seek(4);
    EXPECT_FALSE(seekPast.ok());
}

TEST(LeReader, TextFieldsStopAtTheirEnd)
{
    struct Case
    {
        const char* name;
        std::string block;
        size_t width;
        std::string text;
        size_t after; // offset after the field
    };
    const Case cases[] = {
        {"StopsAtNul", std::string("ab\0cd", 5), 5, "ab", 5},
        {"FullFieldWithoutNul", "abcdefXY", 6, "abcdef", 6},
        {"EmptyField", std::string("\0xyz", 4), 4, "", 4},
        {"ZeroWidth", "abc", 0, "", 0},
    };
    for (const Case& c : cases) {
        LeReader r(c.block.data(), c.block.size());
        EXPECT_EQ(r.text(c.width), c.text) << c.name;
        EXPECT_EQ(r.offset(), c.after) << c.name;
        EXPECT_TRUE(r.ok()) << c.name;
    }
    const std::string tail = std::string("xxname", 6);
    LeReader r(tail.data(), tail.size());
    r.seek(2);
    EXPECT_EQ(r.textToEnd(), "name"); // no NUL: the block's end ends it
    EXPECT_TRUE(r.ok());
    LeReader wide(tail.data(), tail.size());
    EXPECT_EQ(wide.text(7), "");
    EXPECT_FALSE(wide.ok());
}

TEST(LeReader, BytesAndSkip)
{
    const uint8_t block[] = {1, 2, 3, 4, 5};
    LeReader r(block, sizeof block);
    r.skip(1);
    uint8_t out[3] = {9, 9, 9};
    r.bytes(out, 3);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[2], 4);
    r.bytes(out, 2);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(out[0], 0); // what did not fit reads as zeros
    EXPECT_EQ(out[1], 0);
}
