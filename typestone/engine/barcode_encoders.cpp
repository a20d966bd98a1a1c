#include "typestone/engine/barcode_encoders.h"

#include <cctype>
#include <cstring>
#include <string>

namespace typestone {

namespace {

bool inCode39Set(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || std::strchr(" -.$/+%", c) != nullptr;
}

int code39(const char* data, char* out, char delimiter)
{
    const std::size_t n = std::strlen(data);
    if (n == 0 || (data[0] == delimiter && data[n - 1] == delimiter))
        return kBarcodeAsIs;
    std::string upper(data, n);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        // A character the face has no bars for would make a symbol no scanner reads.
        if (!inCode39Set(static_cast<unsigned char>(c)))
            return kBarcodeNotEncoded;
    }
    out[0] = delimiter;
    std::memcpy(out + 1, upper.data(), n);
    out[n + 1] = delimiter;
    return kBarcodeEncoded;
}

unsigned char checkChar(unsigned sum)
{
    const unsigned c = sum % 103;
    return static_cast<unsigned char>(c == 0 ? 194 : c <= 94 ? c + 32 : c + 100);
}

int code128ab(const char* data, char* out, unsigned start)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    const std::size_t n = std::strlen(data);
    if (n == 0)
        return kBarcodeAsIs;
    unsigned sum = start;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char b = bytes[i];
        // Only the characters of the face: 32..126 for values 0..94, 195..202 for 95..102.
        if (b < 32 || (b > 126 && b < 195) || b > 202)
            return kBarcodeNotEncoded;
        const unsigned value = b < 135 ? b - 32u : b - 100u;
        sum += static_cast<unsigned>(i + 1) * value;
    }
    auto* o = reinterpret_cast<unsigned char*>(out);
    o[0] = static_cast<unsigned char>(start + 50); // 153 for A, 154 for B
    for (std::size_t i = 0; i < n; ++i)
        o[i + 1] = bytes[i] == ' ' ? 194 : bytes[i];
    o[n + 1] = checkChar(sum);
    o[n + 2] = 156;
    return kBarcodeEncoded;
}

unsigned char valueChar(unsigned value)
{
    return static_cast<unsigned char>(value == 0 ? 194 : value <= 94 ? value + 32 : value + 100);
}

} // namespace

int Typst_Code39(const char* data, char* out)
{
    return code39(data, out, '*');
}

int Typst_wide39(const char* data, char* out)
{
    return code39(data, out, '@');
}

int Typst_Code128a(const char* data, char* out)
{
    return code128ab(data, out, 103);
}

int Typst_Code128b(const char* data, char* out)
{
    return code128ab(data, out, 104);
}

int Typst_Code128c(const char* data, char* out)
{
    if (data[0] == '\0')
        return kBarcodeAsIs;
    std::string digits;
    for (const char* p = data; *p != '\0'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    // Start, check and stop alone are no symbol of any data.
    if (digits.empty())
        return kBarcodeNotEncoded;
    if (digits.size() % 2 != 0)
        digits.insert(digits.begin(), '0');
    auto* o = reinterpret_cast<unsigned char*>(out);
    std::size_t at = 0;
    o[at++] = 155;
    unsigned sum = 105;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const unsigned value = static_cast<unsigned>((digits[i] - '0') * 10 + (digits[i + 1] - '0'));
        sum += static_cast<unsigned>(i / 2 + 1) * value;
        o[at++] = valueChar(value);
    }
    o[at++] = checkChar(sum);
    o[at] = 156;
    return kBarcodeEncoded;
}

int Typst_EAN13(const char* data, char* out)
{
    static const unsigned char parity[10][6] = {
        {0, 0, 0, 0, 0, 0}, {0, 0, 1, 0, 1, 1}, {0, 0, 1, 1, 0, 1}, {0, 0, 1, 1, 1, 0}, {0, 1, 0, 0, 1, 1},
        {0, 1, 1, 0, 0, 1}, {0, 1, 1, 1, 0, 0}, {0, 1, 0, 1, 0, 1}, {0, 1, 0, 1, 1, 0}, {0, 1, 1, 0, 1, 0},
    };
    int digit[12] = {};
    bool ended = false;
    for (int i = 0; i < 12; ++i) {
        ended = ended || data[i] == '\0';
        digit[i] = !ended && data[i] >= '0' && data[i] <= '9' ? data[i] - '0' : 0;
    }
    std::size_t at = 0;
    out[at++] = static_cast<char>('0' + digit[0]);
    int sum = digit[0];
    for (int i = 1; i <= 6; ++i) {
        out[at++] = static_cast<char>('A' + 10 * parity[digit[0]][i - 1] + digit[i]);
        sum += digit[i] * (i % 2 != 0 ? 3 : 1);
    }
    out[at++] = '*';
    for (int i = 7; i <= 11; ++i) {
        out[at++] = static_cast<char>('a' + digit[i]);
        sum += digit[i] * (i % 2 != 0 ? 3 : 1);
    }
    out[at++] = static_cast<char>('a' + (10 - sum % 10) % 10);
    out[at] = '+';
    return kBarcodeEncoded;
}

int Typst_Encode(const char* faceName, const char* data, char* out, bool* ean)
{
    std::string face;
    for (const char* p = faceName; *p != '\0'; ++p)
        face += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    auto has = [&face](const char* part) { return face.find(part) != std::string::npos; };
    if (ean != nullptr)
        *ean = false;
    int (*encoder)(const char*, char*) = nullptr;
    if (has("wide39") || has("wide 39"))
        encoder = &Typst_wide39;
    else if (has("3 of 9") || has("3of9") || has("code39") || has("39"))
        encoder = &Typst_Code39;
    else if (has("code128a"))
        encoder = &Typst_Code128a;
    else if (has("code128b"))
        encoder = &Typst_Code128b;
    else if (has("code128c"))
        encoder = &Typst_Code128c;
    else if (has("ean") && has("13")) {
        encoder = &Typst_EAN13;
        if (ean != nullptr)
            *ean = true;
    }
    if (encoder == nullptr)
        return kBarcodeAsIs;
    // The encoders' buffers hold no more; a longer text is refused, never cut.
    if (::strnlen(data, kBarcodeMaxData + 1) > kBarcodeMaxData)
        return kBarcodeNotEncoded;
    return encoder(data, out);
}

} // namespace typestone
