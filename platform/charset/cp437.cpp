#include "platform/charset/cp437.h"

#include "platform/charset/code_page_tables.h"

namespace platform::charset {

namespace {

using Table = tables::CodePage;

// Each byte's UTF-8 bytes (at most three, all characters are in the BMP).
struct Utf8Code
{
    std::uint8_t length;
    char bytes[3];
};

constexpr std::array<Utf8Code, 256> makeUtf8(const Table& table)
{
    std::array<Utf8Code, 256> codes{};
    for (int i = 0; i < 256; ++i) {
        const char32_t c = table[i];
        Utf8Code& code = codes[i];
        if (c < 0x80) {
            code.length = 1;
            code.bytes[0] = static_cast<char>(c);
        } else if (c < 0x800) {
            code.length = 2;
            code.bytes[0] = static_cast<char>(0xC0 | (c >> 6));
            code.bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            code.length = 3;
            code.bytes[0] = static_cast<char>(0xE0 | (c >> 12));
            code.bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            code.bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return codes;
}

constexpr std::array<Utf8Code, 256> kControlFormUtf8 = makeUtf8(tables::kCp437);
constexpr std::array<Utf8Code, 256> kGlyphFormUtf8 = makeUtf8(tables::kCp437Glyphs);

} // namespace

const std::array<char16_t, 256>& cp437Table(Cp437Form form)
{
    return form == Cp437Form::Glyphs ? tables::kCp437Glyphs : tables::kCp437;
}

std::string cp437ToUtf8(std::string_view text, Cp437Form form)
{
    const auto& codes = form == Cp437Form::Glyphs ? kGlyphFormUtf8 : kControlFormUtf8;
    std::size_t size = 0;
    for (const char c : text) {
        size += codes[static_cast<unsigned char>(c)].length;
    }
    std::string out;
    out.reserve(size);
    for (const char c : text) {
        const Utf8Code& code = codes[static_cast<unsigned char>(c)];
        out.append(code.bytes, code.length);
    }
    return out;
}

} // namespace platform::charset
