#include "typestone/engine/barcode_face.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace typestone {

namespace {

using platform::draw::Dc;
using platform::draw::Rect;

// Code 39: nine elements (bar, space, ... bar) of each character, 'w' wide.
struct Code39Char
{
    char c;
    const char* elements;
};
constexpr Code39Char kCode39[] = {
    {'0', "nnnwwnwnn"}, {'1', "wnnwnnnnw"}, {'2', "nnwwnnnnw"}, {'3', "wnwwnnnnn"}, {'4', "nnnwwnnnw"},
    {'5', "wnnwwnnnn"}, {'6', "nnwwwnnnn"}, {'7', "nnnwnnwnw"}, {'8', "wnnwnnwnn"}, {'9', "nnwwnnwnn"},
    {'A', "wnnnnwnnw"}, {'B', "nnwnnwnnw"}, {'C', "wnwnnwnnn"}, {'D', "nnnnwwnnw"}, {'E', "wnnnwwnnn"},
    {'F', "nnwnwwnnn"}, {'G', "nnnnnwwnw"}, {'H', "wnnnnwwnn"}, {'I', "nnwnnwwnn"}, {'J', "nnnnwwwnn"},
    {'K', "wnnnnnnww"}, {'L', "nnwnnnnww"}, {'M', "wnwnnnnwn"}, {'N', "nnnnwnnww"}, {'O', "wnnnwnnwn"},
    {'P', "nnwnwnnwn"}, {'Q', "nnnnnnwww"}, {'R', "wnnnnnwwn"}, {'S', "nnwnnnwwn"}, {'T', "nnnnwnwwn"},
    {'U', "wwnnnnnnw"}, {'V', "nwwnnnnnw"}, {'W', "wwwnnnnnn"}, {'X', "nwnnwnnnw"}, {'Y', "wwnnwnnnn"},
    {'Z', "nwwnwnnnn"}, {'-', "nwnnnnwnw"}, {'.', "wwnnnnwnn"}, {' ', "nwwnnnwnn"}, {'$', "nwnwnwnnn"},
    {'/', "nwnwnnnwn"}, {'+', "nwnnnwnwn"}, {'%', "nnnwnwnwn"},
};
constexpr const char* kCode39Delimiter = "nwnnwnwnn";

// Code 128: the six element widths (bar first) of values 0..105; the stop has seven.
constexpr const char* kCode128[106] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232",
};
constexpr const char* kCode128Stop = "2331112";

// EAN-13 digit patterns of set A (odd parity); set C is their complement, set B set C
// reversed. '1' is a bar module.
constexpr const char* kEanSetA[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                      "0110001", "0101111", "0111011", "0110111", "0001011"};
constexpr int kEanDigitUnits = 7;
constexpr int kEanQuietUnits = 7; // beside the guards, where the first digit is written

std::string eanPattern(char set, int digit)
{
    std::string p = kEanSetA[digit];
    if (set == 'A')
        return p;
    for (char& c : p)
        c = c == '1' ? '0' : '1';
    if (set == 'B')
        std::reverse(p.begin(), p.end());
    return p;
}

// What one character of a face draws: the modules left to right ('1' bar, '0' space), in
// units, and the digit written under it (0 for none). Empty modules: no character.
struct Glyph
{
    std::string modules;
    char digit = 0;
    bool guard = false; // bars reach down beside the digits
};

std::string code39Modules(const char* elements, int narrow, int wide)
{
    std::string m;
    for (int i = 0; i < 9; ++i)
        m.append(static_cast<size_t>(elements[i] == 'w' ? wide : narrow), i % 2 == 0 ? '1' : '0');
    m.append(static_cast<size_t>(narrow), '0'); // the gap to the next character
    return m;
}

std::string widthModules(const char* widths)
{
    std::string m;
    for (size_t i = 0; widths[i] != '\0'; ++i)
        m.append(static_cast<size_t>(widths[i] - '0'), i % 2 == 0 ? '1' : '0');
    return m;
}

Glyph glyphOf(BarcodeFace::Kind kind, unsigned char b)
{
    switch (kind) {
    case BarcodeFace::Kind::Code39:
    case BarcodeFace::Kind::Wide39: {
        const int narrow = 2;
        const int wide = kind == BarcodeFace::Kind::Code39 ? 5 : 6;
        const char delimiter = kind == BarcodeFace::Kind::Code39 ? '*' : '@';
        if (b == static_cast<unsigned char>(delimiter))
            return {code39Modules(kCode39Delimiter, narrow, wide)};
        for (const Code39Char& c : kCode39)
            if (static_cast<unsigned char>(c.c) == b)
                return {code39Modules(c.elements, narrow, wide)};
        return {};
    }
    case BarcodeFace::Kind::Code128: {
        int value = -1;
        if (b >= 32 && b <= 126)
            value = b - 32;
        else if (b == 194)
            value = 0;
        else if (b >= 195 && b <= 202)
            value = b - 100;
        else if (b >= 153 && b <= 155)
            value = b - 50;
        else if (b == 156)
            return {widthModules(kCode128Stop)};
        return value < 0 ? Glyph{} : Glyph{widthModules(kCode128[value])};
    }
    case BarcodeFace::Kind::Ean13:
        if (b >= '0' && b <= '9')
            return {std::string(kEanQuietUnits, '0') + "101", static_cast<char>(b), true};
        if (b >= 'A' && b <= 'J')
            return {eanPattern('A', b - 'A'), static_cast<char>('0' + b - 'A')};
        if (b >= 'K' && b <= 'T')
            return {eanPattern('B', b - 'K'), static_cast<char>('0' + b - 'K')};
        if (b >= 'a' && b <= 'j')
            return {eanPattern('C', b - 'a'), static_cast<char>('0' + b - 'a')};
        if (b == '*')
            return {"01010", 0, true};
        if (b == '+')
            return {"101" + std::string(kEanQuietUnits, '0'), 0, true};
        return {};
    }
    return {};
}

} // namespace

std::optional<BarcodeFace> BarcodeFace::forName(std::string_view faceName)
{
    std::string face;
    for (char c : faceName)
        face += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto has = [&face](const char* part) { return face.find(part) != std::string::npos; };
    if (has("wide39") || has("wide 39"))
        return BarcodeFace(Kind::Wide39);
    if (has("3 of 9") || has("3of9") || has("code39") || has("39"))
        return BarcodeFace(Kind::Code39);
    if (has("code128"))
        return BarcodeFace(Kind::Code128);
    if (has("ean") && has("13"))
        return BarcodeFace(Kind::Ean13);
    return std::nullopt;
}

int BarcodeFace::unitsPerChar() const
{
    switch (m_kind) {
    case Kind::Code39:
        return 29;
    case Kind::Wide39:
        return 32;
    case Kind::Code128:
        return 11;
    case Kind::Ean13:
        return kEanDigitUnits;
    }
    return 1;
}

int BarcodeFace::naturalWidth(int height) const
{
    // One unit for every sixteenth of the height, a character as wide as its units.
    return std::max(1, height / 16) * unitsPerChar();
}

int BarcodeFace::width(int cellWidth, std::string_view bytes) const
{
    const int unit = std::max(1, cellWidth / unitsPerChar());
    int64_t units = 0;
    for (char b : bytes)
        units += static_cast<int64_t>(glyphOf(m_kind, static_cast<unsigned char>(b)).modules.size());
    return static_cast<int>(std::min<int64_t>(units * unit, std::numeric_limits<int>::max() / 2));
}

int BarcodeFace::draw(Dc& dc, int x, int bottom, int cellWidth, int cellHeight, std::string_view bytes,
                      platform::draw::FontEngine* fonts) const
{
    // Whole pixels per unit: every bar of a symbol must keep its proportion to the others.
    const int unit = std::max(1, cellWidth / unitsPerChar());
    const int height = std::max(1, cellHeight);
    const int top = bottom - height;
    // With digits under the bars, the bars stop above them; the guards reach half-way down.
    const int digitHeight = humanReadable() ? height / 5 : 0;
    const auto ink = platform::draw::Brush::solid(dc.textColor());

    platform::draw::FontHandle digitFont;
    if (digitHeight > 0 && fonts != nullptr)
        digitFont = fonts->createFont(platform::draw::makeLogFont("Arial", -digitHeight));
    dc.save();
    if (digitFont) {
        dc.selectFont(digitFont);
        dc.setTextAlign(platform::draw::TextAlign::Bottom);
        dc.setBackgroundMode(platform::draw::BackgroundMode::Transparent);
    }

    // What lies past the page's right edge is off the page: a long text stops there.
    const int pageRight = dc.caps().width;
    int at = x;
    for (char byte : bytes) {
        if (at >= pageRight)
            break;
        const Glyph g = glyphOf(m_kind, static_cast<unsigned char>(byte));
        const int barBottom = bottom - (g.guard ? digitHeight / 2 : digitHeight);
        for (size_t i = 0; i < g.modules.size();) {
            size_t j = i;
            while (j < g.modules.size() && g.modules[j] == g.modules[i])
                ++j;
            if (g.modules[i] == '1') {
                const int left = at + static_cast<int>(i) * unit;
                dc.fillRect(Rect{left, top, left + static_cast<int>(j - i) * unit, barBottom}, ink);
            }
            i = j;
        }
        if (g.digit != 0 && digitFont) {
            // The first digit sits in the quiet zone before the start guard, the others under
            // their bars.
            const int span = (g.guard ? kEanQuietUnits : static_cast<int>(g.modules.size())) * unit;
            const std::string text(1, g.digit);
            const int w = dc.textExtent(text).width;
            dc.textOut(platform::draw::Point{at + (span - w) / 2, bottom}, text);
        }
        at += static_cast<int>(g.modules.size()) * unit;
    }
    dc.restore();
    return at - x;
}

} // namespace typestone
