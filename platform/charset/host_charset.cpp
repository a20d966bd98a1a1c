#include "platform/charset/host_charset.h"

#include "platform/charset/oem_ansi.h"

namespace platform::charset {

namespace {

constexpr std::uint8_t kBlank = 0x20;

// Host 0xA0-0xEF in OEM.
constexpr std::uint8_t kHostA0ToOem[80] = {
    // 0xA0: corners, crossing, tees, lines, shades, blocks, double corner
    0xDA, 0xBF, 0xD9, 0xC0, 0xC5, 0xC3, 0xB4, 0xC2, 0xC1, 0xC4, 0xB3, 0xB0, 0xB2, 0xDF, 0xDB, 0xC9, //
    // 0xB0: double corners, crossing, tees, lines; 0xBA-0xBF unused
    0xBB, 0xBC, 0xC8, 0xCE, 0xCC, 0xB9, 0xCB, 0xCA, 0xCD, 0xBA, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, //
    // 0xC0: accented letters
    0x8E, 0x84, 0x83, 0x85, 0xA0, 0x90, 0x89, 0x88, 0x8A, 0x82, 0x8B, 0x8C, 0x8D, 0xA1, 0x99, 0x94, //
    // 0xD0: accented letters
    0x93, 0x95, 0xA2, 0x9A, 0x81, 0x96, 0x97, 0xA3, 0x80, 0x87, 0xA5, 0xA4, 0x92, 0x91, 0x8F, 0x86, //
    // 0xE0: ordinals, inverted marks, currency (0xE7 the euro sign), section sign, degree,
    // superscript two; 0xEE-0xEF unused
    0xA6, 0xA8, 0xAD, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F, 0xAC, 0xAB, 0xA7, 0x15, 0xF8, 0xFD, 0x20, 0x20, //
};

constexpr ByteTable makeHostToOem()
{
    ByteTable table{};
    for (int i = 0; i < 0xA0; ++i) {
        table[i] = static_cast<std::uint8_t>(i);
    }
    for (int i = 0xA0; i < 0xF0; ++i) {
        table[i] = kHostA0ToOem[i - 0xA0];
    }
    for (int i = 0xF0; i < 0x100; ++i) {
        table[i] = kBlank;
    }
    return table;
}

constexpr ByteTable kHostToOem = makeHostToOem();
static_assert(kHostToOem[kHostEuro] == kOemEuro && kHostToOem[kHostSection] == kOemSection);

ByteTable makeHostToAnsi()
{
    ByteTable table{};
    const ByteTable& oemToAnsi = oemToAnsiTable();
    for (int i = 0; i < 256; ++i) {
        table[i] = oemToAnsi[kHostToOem[i]];
    }
    table[kHostEuro] = kAnsiEuro;
    table[kHostSection] = kAnsiSection;
    return table;
}

const ByteTable& hostToAnsiTableRef()
{
    static const ByteTable table = makeHostToAnsi();
    return table;
}

} // namespace

const ByteTable& hostToOemTable()
{
    return kHostToOem;
}

const ByteTable& hostToAnsiTable()
{
    return hostToAnsiTableRef();
}

void hostToOem(const char* in, char* out, std::size_t count)
{
    translate(kHostToOem, in, out, count);
}

void hostToAnsi(const char* in, char* out, std::size_t count)
{
    translate(hostToAnsiTableRef(), in, out, count);
}

std::string hostToOem(std::string_view host)
{
    return translated(kHostToOem, host);
}

std::string hostToAnsi(std::string_view host)
{
    return translated(hostToAnsiTableRef(), host);
}

void hostToOemInPlace(char* buffer, std::size_t count)
{
    translateInPlace(kHostToOem, buffer, count);
}

void hostToAnsiInPlace(char* buffer, std::size_t count)
{
    translateInPlace(hostToAnsiTableRef(), buffer, count);
}

void hostToOemInPlace(std::string& text)
{
    translateInPlace(kHostToOem, text);
}

void hostToAnsiInPlace(std::string& text)
{
    translateInPlace(hostToAnsiTableRef(), text);
}

} // namespace platform::charset
