#pragma once
// Builds the text of a PDF content stream: operators and their operands, numbers written with
// std::to_chars (no locale, no exponent) (internal to the PDF writer).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::draw {

class PdfContent
{
public:
    // Whole numbers as they are; reals with at most `decimals` decimals, trailing zeros and a
    // trailing point left out ("0.12", "61.8125", "842"), -0 written as 0.
    PdfContent& integer(long long value);
    PdfContent& real(double value, int decimals = 6);
    // A real cut (towards zero) to `digits` digits, those of its whole part included, as the
    // page's scale factors are written ("0.954537195" for 0.95453719579).
    PdfContent& significant(double value, int digits = 9);
    // A colour component 0..255 as a fraction of 1 ("0", "1", "0.784314").
    PdfContent& component(std::uint8_t value);
    // Text as it stands (an operator, a name, a delimiter); no separator is added.
    PdfContent& raw(std::string_view text)
    {
        m_text.append(text);
        return *this;
    }
    PdfContent& space()
    {
        m_text.push_back(' ');
        return *this;
    }
    PdfContent& op(std::string_view name); // " name\n"
    // Four hex digits of a two-byte code, two of a one-byte code.
    PdfContent& hex4(std::uint32_t code);
    PdfContent& hex2(std::uint32_t code);

    // "x y w h re"
    PdfContent& rect(long long x, long long y, long long w, long long h);

    const std::string& text() const { return m_text; }
    std::string take();
    bool empty() const { return m_text.empty(); }
    size_t size() const { return m_text.size(); }
    void clear() { m_text.clear(); }
    void reserve(size_t bytes) { m_text.reserve(bytes); }

private:
    struct Memo
    {
        std::uint64_t bits = 0; // of the double
        int decimals = 0;
        std::uint8_t length = 0; // 0: empty
        std::array<char, 31> text{};
    };

    std::string m_text;
    std::array<Memo, 64> m_memo{}; // the text of recent reals, by value
};

} // namespace platform::draw
