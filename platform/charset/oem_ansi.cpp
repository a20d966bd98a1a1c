#include "platform/charset/oem_ansi.h"

#include "platform/charset/code_page_tables.h"

namespace platform::charset {

namespace {

struct Fit
{
    char16_t codePoint;
    std::uint8_t byte;
};

// Windows' best fit into code page 1252 for the characters of code page 437 that 1252 lacks:
// the entries of Microsoft's published WindowsBestFit table for 1252 that those characters
// meet.
// clang-format off
constexpr Fit kBestFit1252[] = {
    {0x20A7, 0x50}, // peseta sign -> P
    {0x2310, 0xAC}, // reversed not sign -> not sign
    {0x2591, 0xA6}, {0x2592, 0xA6}, {0x2593, 0xA6}, // shades -> broken bar
    {0x2588, 0xA6}, {0x258C, 0xA6}, {0x2590, 0xA6}, // full, left and right half block -> broken bar
    {0x2584, 0x5F}, // lower half block -> low line
    {0x2580, 0xAF}, // upper half block -> macron
    {0x25A0, 0xA6}, // black square -> broken bar
    // Lines: vertical ones (with a branch to one side) -> broken bar, horizontal ones (with a
    // branch up or down) -> '-', corners and crossings -> '+'.
    {0x2500, 0x2D}, {0x2502, 0xA6}, {0x250C, 0x2B}, {0x2510, 0x2B}, {0x2514, 0x2B}, {0x2518, 0x2B},
    {0x251C, 0x2B}, {0x2524, 0xA6}, {0x252C, 0x2D}, {0x2534, 0x2D}, {0x253C, 0x2B}, {0x2550, 0x2D},
    {0x2551, 0xA6}, {0x2552, 0x2B}, {0x2553, 0x2B}, {0x2554, 0x2B}, {0x2555, 0x2B}, {0x2556, 0x2B},
    {0x2557, 0x2B}, {0x2558, 0x2B}, {0x2559, 0x2B}, {0x255A, 0x2B}, {0x255B, 0x2B}, {0x255C, 0x2B},
    {0x255D, 0x2B}, {0x255E, 0xA6}, {0x255F, 0xA6}, {0x2560, 0xA6}, {0x2561, 0xA6}, {0x2562, 0xA6},
    {0x2563, 0xA6}, {0x2564, 0x2D}, {0x2565, 0x2D}, {0x2566, 0x2D}, {0x2567, 0x2D}, {0x2568, 0x2D},
    {0x2569, 0x2D}, {0x256A, 0x2B}, {0x256B, 0x2B}, {0x256C, 0x2B},
    // Greek letters -> Latin look-alikes
    {0x0393, 0x47}, {0x0398, 0x54}, {0x03A3, 0x53}, {0x03A6, 0x46}, {0x03A9, 0x4F}, {0x03B1, 0x61},
    {0x03B4, 0x64}, {0x03B5, 0x65}, {0x03C0, 0x70}, {0x03C3, 0x73}, {0x03C4, 0x74}, {0x03C6, 0x66},
    // mathematical signs
    {0x207F, 0x6E}, // superscript n -> n
    {0x2219, 0xB7}, // bullet operator -> middle dot
    {0x221A, 0x76}, // square root -> v
    {0x221E, 0x38}, // infinity -> 8
    {0x2229, 0x6E}, // intersection -> n
    {0x2248, 0x98}, // almost equal to -> small tilde
    {0x2261, 0x3D}, // identical to -> =
    {0x2264, 0x3D}, // less-than or equal to -> =
    {0x2265, 0x3D}, // greater-than or equal to -> =
    {0x2320, 0x28}, // top half integral -> (
    {0x2321, 0x29}, // bottom half integral -> )
};
// clang-format on

// Best fit into code page 437 for the characters of code page 1252 that 437 lacks. Microsoft
// publishes no such table for 437, so these follow the rules its published tables apply:
// a letter with a diacritic becomes its base letter (Ð and ð count as D and d; the ligature
// Œ and the thorn have no fit); typographic quotes, dashes, the per mille sign and the
// spacing accents become their ASCII forms; the section sign, the pilcrow, the bullet and
// the currency sign go to the control positions whose screen pictures they are (§ 0x15,
// ¶ 0x14, • 0x07, and ☼ 0x0F, which the 1252 table pairs with ¤). The C1 control codes,
// the euro sign, the ellipsis, the daggers, the trade mark sign, ¾, Œ, œ, Þ and þ get '?'.
// clang-format off
constexpr Fit kBestFit437[] = {
    // typographic marks of 0x80-0x9F
    {0x201A, ','}, {0x201E, '"'}, {0x02C6, '^'}, {0x2030, '%'}, {0x2039, '<'}, {0x203A, '>'},
    {0x2018, '\''}, {0x2019, '\''}, {0x201C, '"'}, {0x201D, '"'}, {0x2013, '-'}, {0x2014, '-'},
    {0x02DC, '~'}, {0x2022, 0x07},
    // letters of 0x80-0x9F
    {0x0160, 'S'}, {0x0161, 's'}, {0x017D, 'Z'}, {0x017E, 'z'}, {0x0178, 'Y'},
    // signs of 0xA0-0xBF
    {0x00A4, 0x0F}, {0x00A6, '|'}, {0x00A7, 0x15}, {0x00A8, '"'}, {0x00A9, 'c'}, {0x00AD, '-'},
    {0x00AE, 'R'}, {0x00AF, '-'}, {0x00B3, '3'}, {0x00B4, '\''}, {0x00B6, 0x14}, {0x00B8, ','},
    {0x00B9, '1'}, {0x00D7, 'x'},
    // letters of 0xC0-0xFF
    {0x00C0, 'A'}, {0x00C1, 'A'}, {0x00C2, 'A'}, {0x00C3, 'A'}, {0x00C8, 'E'}, {0x00CA, 'E'},
    {0x00CB, 'E'}, {0x00CC, 'I'}, {0x00CD, 'I'}, {0x00CE, 'I'}, {0x00CF, 'I'}, {0x00D0, 'D'},
    {0x00D2, 'O'}, {0x00D3, 'O'}, {0x00D4, 'O'}, {0x00D5, 'O'}, {0x00D8, 'O'}, {0x00D9, 'U'},
    {0x00DA, 'U'}, {0x00DB, 'U'}, {0x00DD, 'Y'}, {0x00E3, 'a'}, {0x00F0, 'd'}, {0x00F5, 'o'},
    {0x00F8, 'o'}, {0x00FD, 'y'},
};
// clang-format on

constexpr std::uint8_t kNoFit = '?';

template <std::size_t N> constexpr bool findFit(const Fit (&fits)[N], char32_t codePoint, std::uint8_t& byte)
{
    for (const Fit& fit : fits) {
        if (fit.codePoint == codePoint) {
            byte = fit.byte;
            return true;
        }
    }
    return false;
}

// Each source byte through Unicode into the target set: exact, else best fit, else '?'.
template <std::size_t N>
constexpr ByteTable makeTable(const tables::CodePage& source, const tables::CodePage& target,
                              const Fit (&fits)[N])
{
    ByteTable table{};
    for (int from = 0; from < 256; ++from) {
        const char16_t codePoint = source[from];
        std::uint8_t byte = kNoFit;
        bool found = false;
        for (int to = 0; to < 256 && !found; ++to) {
            if (target[to] == codePoint) {
                byte = static_cast<std::uint8_t>(to);
                found = true;
            }
        }
        if (!found) {
            findFit(fits, codePoint, byte);
        }
        table[from] = byte;
    }
    return table;
}

constexpr ByteTable kOemToAnsi = makeTable(tables::kCp437, tables::kCp1252, kBestFit1252);
constexpr ByteTable kAnsiToOem = makeTable(tables::kCp1252, tables::kCp437, kBestFit437);

} // namespace

const ByteTable& oemToAnsiTable()
{
    return kOemToAnsi;
}

const ByteTable& ansiToOemTable()
{
    return kAnsiToOem;
}

void oemToAnsi(const char* in, char* out, std::size_t count)
{
    translate(kOemToAnsi, in, out, count);
}

void ansiToOem(const char* in, char* out, std::size_t count)
{
    translate(kAnsiToOem, in, out, count);
}

std::string oemToAnsi(std::string_view oem)
{
    return translated(kOemToAnsi, oem);
}

std::string ansiToOem(std::string_view ansi)
{
    return translated(kAnsiToOem, ansi);
}

void oemToAnsiInPlace(char* buffer, std::size_t count)
{
    translateInPlace(kOemToAnsi, buffer, count);
}

void ansiToOemInPlace(char* buffer, std::size_t count)
{
    translateInPlace(kAnsiToOem, buffer, count);
}

void oemToAnsiInPlace(std::string& text)
{
    translateInPlace(kOemToAnsi, text);
}

void ansiToOemInPlace(std::string& text)
{
    translateInPlace(kAnsiToOem, text);
}

} // namespace platform::charset
