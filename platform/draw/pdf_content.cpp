#include "platform/draw/pdf_content.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace platform::draw {

PdfContent& PdfContent::integer(long long value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    m_text.append(buffer, end);
    return *this;
}

PdfContent& PdfContent::real(double value, int decimals)
{
    if (!std::isfinite(value)) {
        value = 0;
    }
    // Far outside any page; keeps the fixed notation short and the cast below defined.
    constexpr double kLimit = 1e12;
    if (value > kLimit || value < -kLimit) {
        value = value > 0 ? kLimit : -kLimit;
    }
    if (value == std::trunc(value)) {
        return integer(static_cast<long long>(value));
    }
    // A page's reals are few values many times (the steps of a run, its font size, its
    // scale): the last text of each is kept, as formatting a fixed-point double costs more
    // than the rest of a glyph.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Memo& memo = m_memo[((bits >> 20) ^ (bits >> 40) ^ static_cast<std::uint64_t>(decimals)) % m_memo.size()];
    if (memo.length != 0 && memo.bits == bits && memo.decimals == decimals) {
        m_text.append(memo.text.data(), memo.length);
        return *this;
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    char* end = result.ptr;
    while (end > buffer && end[-1] == '0') {
        --end;
    }
    if (end > buffer && end[-1] == '.') {
        --end;
    }
    std::string_view text(buffer, static_cast<size_t>(end - buffer));
    if (text == "-0" || text.empty()) {
        text = "0";
    }
    m_text.append(text);
    if (text.size() <= memo.text.size()) {
        memo.bits = bits;
        memo.decimals = decimals;
        memo.length = static_cast<std::uint8_t>(text.size());
        std::copy(text.begin(), text.end(), memo.text.begin());
    }
    return *this;
}

PdfContent& PdfContent::significant(double value, int digits)
{
    if (!std::isfinite(value) || value == 0) {
        return integer(0);
    }
    // The digits of the whole part count, and the rest is cut, not rounded: a scale written
    // one unit higher in its last place moves a glyph that sits on a pixel's edge (a run's
    // positions are whole device pixels) across it.
    // (Every text run writes its scale: a table, not log10 and pow.)
    static constexpr double kPowersOfTen[] = {1,   1e1, 1e2, 1e3,  1e4,  1e5, 1e6,
                                              1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
    const double magnitude = std::abs(value);
    int before = 0;
    while (before < 12 && magnitude >= kPowersOfTen[before]) {
        ++before;
    }
    const int decimals = std::clamp(digits - before, 0, 12);
    const double factor = kPowersOfTen[decimals];
    return real(std::trunc(value * factor) / factor, decimals);
}

PdfContent& PdfContent::component(std::uint8_t value)
{
    if (value == 0 || value == 255) {
        m_text.push_back(value ? '1' : '0');
        return *this;
    }
    return real(value / 255.0);
}

PdfContent& PdfContent::op(std::string_view name)
{
    m_text.push_back(' ');
    m_text.append(name);
    m_text.push_back('\n');
    return *this;
}

PdfContent& PdfContent::hex4(std::uint32_t code)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char digits[4] = {kDigits[(code >> 12) & 0xF], kDigits[(code >> 8) & 0xF],
                            kDigits[(code >> 4) & 0xF], kDigits[code & 0xF]};
    m_text.append(digits, 4);
    return *this;
}

PdfContent& PdfContent::hex2(std::uint32_t code)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char digits[2] = {kDigits[(code >> 4) & 0xF], kDigits[code & 0xF]};
    m_text.append(digits, 2);
    return *this;
}

PdfContent& PdfContent::rect(long long x, long long y, long long w, long long h)
{
    integer(x).space().integer(y).space().integer(w).space().integer(h);
    return op("re");
}

std::string PdfContent::take()
{
    return std::exchange(m_text, std::string());
}

} // namespace platform::draw
