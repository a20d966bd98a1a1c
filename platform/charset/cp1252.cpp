#include "platform/charset/cp1252.h"

#include "platform/charset/code_page_tables.h"
#include "platform/charset/utf8.h"

#include <cstdio>
#include <utility>

namespace platform::charset {

namespace {

std::string describe(const char* what, std::size_t offset)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s at byte %zu", what, offset);
    return text;
}

} // namespace

char32_t cp1252ToUnicode(std::uint8_t byte)
{
    return tables::kCp1252[byte];
}

std::string cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (const char c : text) {
        appendUtf8(out, cp1252ToUnicode(static_cast<std::uint8_t>(c)));
    }
    return out;
}

bool unicodeToCp1252(char32_t codePoint, std::uint8_t* byte)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        *byte = static_cast<std::uint8_t>(codePoint);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (tables::kCp1252Row80[i] == codePoint) {
            *byte = static_cast<std::uint8_t>(0x80 + i);
            return true;
        }
    }
    return false;
}

bool utf8ToCp1252(std::string_view utf8, std::string* out, std::string* error)
{
    std::string result;
    result.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        char32_t codePoint = 0;
        if (!decodeUtf8(utf8, pos, codePoint)) {
            if (error) {
                *error = describe("malformed UTF-8", start);
            }
            return false;
        }
        std::uint8_t byte = 0;
        if (!unicodeToCp1252(codePoint, &byte)) {
            if (error) {
                char what[64];
                std::snprintf(what, sizeof what, "U+%04X has no Windows-1252 form",
                              static_cast<unsigned>(codePoint));
                *error = describe(what, start);
            }
            return false;
        }
        result.push_back(static_cast<char>(byte));
    }
    if (out) {
        *out = std::move(result);
    }
    return true;
}

} // namespace platform::charset
