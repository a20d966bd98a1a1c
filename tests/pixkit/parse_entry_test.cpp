#include "pixkit/parse_entry.h"

#include "bmp_samples.h"

#include <gtest/gtest.h>

using namespace pixkit_test;

// The fuzzing entries take any bytes; a few plain cases show they parse what they should.
TEST(ParseEntries, AcceptGoodImagesAndRefuseDamagedOnes)
{
    const Bytes bmp = makeBmp(9, 7, 24, gradient);
    EXPECT_EQ(pixkit::parseBmpEntry(bmp.data(), bmp.size()), 0);
    EXPECT_EQ(pixkit::parseBmpEntry(bmp.data(), bmp.size() - 1), -1);
    EXPECT_EQ(pixkit::parseBmpEntry(nullptr, 0), -1);

    Bytes jpeg(1 << 16);
    int length = static_cast<int>(jpeg.size());
    ASSERT_EQ(Bmp2Jpg(nullptr, bmp.data(), 80, nullptr, jpeg.data(), &length), 0);
    jpeg.resize(static_cast<std::size_t>(length));
    EXPECT_EQ(pixkit::parseJpegEntry(jpeg.data(), jpeg.size()), 0);
    EXPECT_EQ(pixkit::parseJpegEntry(jpeg.data(), 20), -1);
    EXPECT_EQ(pixkit::parseJpegEntry(bmp.data(), bmp.size()), -1);
}
