#include "platform/draw/pdf_font_subset.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace platform::draw {

namespace {

constexpr size_t kMaxBlockEntries = 100;

constexpr char kPrologue[] = "/CIDInit /ProcSet findresource begin\n"
                             "12 dict begin\n"
                             "begincmap\n"
                             "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                             "/CMapName /Adobe-Identity-UCS def\n"
                             "/CMapType 2 def\n"
                             "1 begincodespacerange\n"
                             "<0000> <FFFF>\n"
                             "endcodespacerange\n";

constexpr char kEpilogue[] = "endcmap\n"
                             "CMapName currentdict /CMap defineresource pop\n"
                             "end\n"
                             "end\n";

// A code point that text can hold: not a surrogate, not beyond the last plane.
bool isScalarValue(char32_t c)
{
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void appendHex16(std::string& out, std::uint32_t value)
{
    char buf[5];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(value & 0xFFFF));
    out += buf;
}

// <XXXX> for the glyph number, <XXXX> or <XXXXXXXX> (UTF-16BE, a surrogate pair) for the text.
void appendCode(std::string& out, std::uint32_t glyph)
{
    out += '<';
    appendHex16(out, glyph);
    out += '>';
}

void appendText(std::string& out, char32_t c)
{
    out += '<';
    if (c > 0xFFFF) {
        const std::uint32_t v = static_cast<std::uint32_t>(c) - 0x10000;
        appendHex16(out, 0xD800 + (v >> 10));
        appendHex16(out, 0xDC00 + (v & 0x3FF));
    } else {
        appendHex16(out, c);
    }
    out += '>';
}

struct Entry
{
    std::uint32_t firstGlyph;
    std::uint32_t lastGlyph;
    char32_t firstText;
};

void appendBlocks(std::string& out, const std::vector<Entry>& entries, const char* kind)
{
    for (size_t begin = 0; begin < entries.size(); begin += kMaxBlockEntries) {
        const size_t end = std::min(entries.size(), begin + kMaxBlockEntries);
        out += std::to_string(end - begin) + " begin" + kind + "\n";
        for (size_t i = begin; i < end; ++i) {
            const Entry& e = entries[i];
            appendCode(out, e.firstGlyph);
            out += ' ';
            if (e.lastGlyph != e.firstGlyph) {
                appendCode(out, e.lastGlyph);
                out += ' ';
            }
            appendText(out, e.firstText);
            out += '\n';
        }
        out += std::string("end") + kind + "\n";
    }
}

} // namespace

std::string toUnicodeCMap(const std::map<std::uint32_t, char32_t>& glyphText)
{
    // A range counts up the last byte of both its code and its text, so a run stays within
    // one 256-block of each. Runs are only made of BMP text: readers differ on counting up
    // the second half of a surrogate pair, while a bfchar pair is read alike by all.
    std::vector<Entry> ranges, singles;
    const auto flush = [&](const Entry& run) {
        (run.lastGlyph == run.firstGlyph ? singles : ranges).push_back(run);
    };
    bool open = false;
    Entry run{};
    for (const auto& [glyph, text] : glyphText) {
        if (glyph > 0xFFFF) {
            break; // ordered: the rest do not fit two-byte codes either
        }
        if (!isScalarValue(text)) {
            continue;
        }
        const std::uint32_t n = glyph - run.firstGlyph;
        const bool extends = open && text <= 0xFFFF && glyph == run.lastGlyph + 1 &&
                             (glyph >> 8) == (run.firstGlyph >> 8) && text == run.firstText + n &&
                             (text >> 8) == (run.firstText >> 8);
        if (extends) {
            run.lastGlyph = glyph;
            continue;
        }
        if (open) {
            flush(run);
        }
        run = Entry{glyph, glyph, text};
        open = true;
    }
    if (open) {
        flush(run);
    }

    std::string out = kPrologue;
    out.reserve(out.size() + (ranges.size() + singles.size()) * 22 + sizeof kEpilogue + 64);
    appendBlocks(out, ranges, "bfrange");
    appendBlocks(out, singles, "bfchar");
    out += kEpilogue;
    return out;
}

} // namespace platform::draw
