#include "platform/charset/byte_table.h"

namespace platform::charset {

void translate(const ByteTable& table, const char* in, char* out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<char>(table[static_cast<unsigned char>(in[i])]);
    }
}

void translateInPlace(const ByteTable& table, char* buffer, std::size_t count)
{
    translate(table, buffer, buffer, count);
}

void translateInPlace(const ByteTable& table, std::string& text)
{
    translate(table, text.data(), text.data(), text.size());
}

std::string translated(const ByteTable& table, std::string_view text)
{
    std::string out(text.size(), '\0');
    translate(table, text.data(), out.data(), text.size());
    return out;
}

} // namespace platform::charset
