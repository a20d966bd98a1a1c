// The TrueType subset over a face given as a TrueType file (its table directory read leniently,
// see sfnt_tables.h), asking for every glyph, or every second, third or fourth one as the
// file's last byte says. Properties: a subset is a well-formed file (directory in tag order
// with its search fields, tables aligned and inside the file, every checksum and head's
// adjustment right, only the tables a PDF reader needs), keeps the face's glyph count, its
// loca climbing within glyf; and subsetting the subset again gives the same bytes.

#include "tests/fuzz/fuzz_target.h"
#include "tests/fuzz/sfnt_tables.h"

#include "platform/draw/pdf_font_subset.h"

#include <set>
#include <string>

namespace {

using Tables = std::map<std::string, QByteArray>;

const std::set<std::string> kSubsetTags = {"cvt ", "fpgm", "glyf", "head", "hhea",
                                           "hmtx", "loca", "maxp", "prep"};

uint32_t be16(const QByteArray& t, qsizetype at)
{
    return (uint32_t{static_cast<unsigned char>(t[at])} << 8) | static_cast<unsigned char>(t[at + 1]);
}

uint32_t be32(const QByteArray& t, qsizetype at)
{
    return (be16(t, at) << 16) | be16(t, at + 2);
}

uint32_t wordSum(const QByteArray& t)
{
    uint32_t sum = 0;
    for (qsizetype i = 0; i < t.size(); i += 4) {
        uint32_t word = 0;
        for (qsizetype k = i; k < i + 4; ++k) {
            word = (word << 8) | (k < t.size() ? static_cast<unsigned char>(t[k]) : 0u);
        }
        sum += word;
    }
    return sum;
}

// Checks the file's layout; its tables by tag.
Tables checkFile(const std::string& file)
{
    const QByteArray data = QByteArray::fromStdString(file);
    Tables tables;
    FUZZ_CHECK(data.size() >= 12 && data.size() % 4 == 0);
    if (data.size() < 12) {
        return tables;
    }
    FUZZ_CHECK(be32(data, 0) == 0x00010000);
    const uint32_t count = be16(data, 4);
    uint32_t power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    FUZZ_CHECK(be16(data, 6) == power * 16 && be16(data, 8) == log2 &&
               be16(data, 10) == count * 16 - power * 16);
    FUZZ_CHECK(data.size() >= 12 + 16 * qsizetype{count});
    std::string previous;
    for (uint32_t i = 0; i < count && 12 + 16 * qsizetype{i + 1} <= data.size(); ++i) {
        const qsizetype entry = 12 + 16 * qsizetype{i};
        const std::string tag = data.mid(entry, 4).toStdString();
        const uint32_t offset = be32(data, entry + 8);
        const uint32_t length = be32(data, entry + 12);
        FUZZ_CHECK(previous < tag);
        FUZZ_CHECK(kSubsetTags.count(tag) == 1);
        previous = tag;
        FUZZ_CHECK(offset % 4 == 0 && offset + qsizetype{length} <= data.size());
        if (offset + qsizetype{length} > data.size()) {
            continue;
        }
        QByteArray body = data.mid(offset, length);
        tables[tag] = body;
        if (tag == "head" && body.size() >= 12) {
            body.replace(8, 4, QByteArray(4, '\0'));
        }
        FUZZ_CHECK(wordSum(body) == be32(data, entry + 4));
    }
    FUZZ_CHECK(wordSum(data) == 0xB1B0AFBA);
    return tables;
}

void checkGlyphs(const Tables& in, const Tables& out)
{
    const auto has = [&out](const char* tag) { return out.count(tag) == 1; };
    FUZZ_CHECK(has("head") && has("maxp") && has("loca") && has("glyf") && has("hhea") && has("hmtx"));
    if (!(has("head") && has("maxp") && has("loca") && has("glyf"))) {
        return;
    }
    const QByteArray& maxp = out.at("maxp");
    FUZZ_CHECK(maxp == in.at("maxp"));
    const uint32_t numGlyphs = be16(maxp, 4);
    const bool longLoca = be16(out.at("head"), 50) == 1;
    FUZZ_CHECK(be16(out.at("head"), 50) <= 1);
    const QByteArray& loca = out.at("loca");
    FUZZ_CHECK(loca.size() == qsizetype{numGlyphs + 1} * (longLoca ? 4 : 2));
    if (loca.size() != qsizetype{numGlyphs + 1} * (longLoca ? 4 : 2)) {
        return;
    }
    uint32_t previous = 0;
    for (uint32_t g = 0; g <= numGlyphs; ++g) {
        const uint32_t offset = longLoca ? be32(loca, 4 * g) : 2 * be16(loca, 2 * g);
        FUZZ_CHECK(offset >= previous && offset % 4 == 0);
        previous = offset;
    }
    FUZZ_CHECK(previous == out.at("glyf").size());
}

// Every n-th glyph number of two bytes and one beyond them; made once, each run asks again.
const std::set<std::uint32_t>& everyNth(uint32_t n)
{
    static const auto make = [](uint32_t stride) {
        std::set<std::uint32_t> glyphs;
        for (uint32_t g = 0; g <= 0xFFFF; g += stride) {
            glyphs.insert(g);
        }
        glyphs.insert(0xFFFFFFFF);
        return glyphs;
    };
    static const std::set<std::uint32_t> sets[] = {make(1), make(2), make(3), make(4)};
    return sets[n - 1];
}

} // namespace

FUZZ_TARGET(font_subset)
{
    if (size > (1u << 20)) {
        return 0;
    }
    const Tables in = fuzz::sfntTables(data, size);
    const platform::draw::FaceTableReader reader = [&in](const char* tag) {
        const auto it = in.find(tag);
        return it == in.end() ? QByteArray() : it->second;
    };
    const std::set<std::uint32_t>& glyphs = everyNth(1 + (size ? data[size - 1] % 4 : 0));

    const auto subset = platform::draw::subsetTrueType(reader, glyphs);
    if (!subset) {
        return 0;
    }
    const Tables out = checkFile(*subset);
    checkGlyphs(in, out);

    const platform::draw::FaceTableReader again = [&out](const char* tag) {
        const auto it = out.find(tag);
        return it == out.end() ? QByteArray() : it->second;
    };
    const auto resubset = platform::draw::subsetTrueType(again, glyphs);
    FUZZ_CHECK(resubset && *resubset == *subset);
    return 0;
}
