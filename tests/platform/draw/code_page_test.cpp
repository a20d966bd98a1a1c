#include "platform/draw/code_page.h"

#include <gtest/gtest.h>

namespace platform::draw {
namespace {

struct ByteCase
{
    CodePage codePage;
    int byte;
    char32_t unicode;
};

class CodePages : public ::testing::TestWithParam<ByteCase>
{
};

TEST_P(CodePages, MapBytesToCharacters)
{
    EXPECT_EQ(toUnicode(GetParam().codePage, static_cast<std::uint8_t>(GetParam().byte)), GetParam().unicode);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, CodePages,
    ::testing::Values(
        ByteCase{CodePage::Ansi, 'A', U'A'}, ByteCase{CodePage::Ansi, 0x80, U'\u20AC'},
        ByteCase{CodePage::Ansi, 0xE9, U'\u00E9'}, ByteCase{CodePage::Ansi, 0x01, 0},
        ByteCase{CodePage::Oem, 0xC9, U'\u2554'}, ByteCase{CodePage::Oem, 0x01, U'\u263A'},
        ByteCase{CodePage::Oem, 0xE1, U'\u00DF'}, ByteCase{CodePage::Oem, 0x00, 0},
        ByteCase{CodePage::Symbol, 0x61, U'\u03B1'}, ByteCase{CodePage::Symbol, 0x47, U'\u0393'},
        ByteCase{CodePage::Symbol, 0xE5, U'\u2211'}, ByteCase{CodePage::Symbol, 0xA5, U'\u221E'},
        ByteCase{CodePage::Symbol, 0xB3, U'\u2265'}, ByteCase{CodePage::Symbol, 0xD6, U'\u221A'},
        ByteCase{CodePage::Symbol, 0xF3, U'\u2320'}, ByteCase{CodePage::Symbol, 0x80, 0},
        ByteCase{CodePage::Symbol, 0x10, 0}));

} // namespace
} // namespace platform::draw
