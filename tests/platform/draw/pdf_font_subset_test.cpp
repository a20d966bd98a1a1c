#include "platform/draw/pdf_font_subset.h"
#include "support/fonts/test_fonts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainterPath>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace platform::draw {
namespace {

const char* const kLiberationSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const char* const kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

using Tables = std::map<std::string, QByteArray>;

unsigned be16(const QByteArray& data, qsizetype offset)
{
    return (static_cast<unsigned char>(data[offset]) << 8) | static_cast<unsigned char>(data[offset + 1]);
}

std::uint32_t be32(const QByteArray& data, qsizetype offset)
{
    return (std::uint32_t{be16(data, offset)} << 16) | be16(data, offset + 2);
}

void put16(QByteArray& data, qsizetype offset, unsigned value)
{
    data[offset] = static_cast<char>((value >> 8) & 0xFF);
    data[offset + 1] = static_cast<char>(value & 0xFF);
}

std::uint32_t wordSum(const QByteArray& data, qsizetype offset, qsizetype length)
{
    std::uint32_t sum = 0;
    for (qsizetype i = 0; i < length; i += 4) {
        std::uint32_t word = 0;
        for (qsizetype k = 0; k < 4; ++k) {
            const qsizetype at = offset + i + k;
            word = (word << 8) | (at < offset + length ? static_cast<unsigned char>(data[at]) : 0u);
        }
        sum += word;
    }
    return sum;
}

// Reads a TrueType file the way a strict reader would, reporting each rule it breaks: the
// directory's binary-search fields, tags in order, four-byte aligned tables inside the file,
// each table's checksum and the whole file's.
Tables readSfnt(const std::string& file)
{
    const QByteArray data = QByteArray::fromStdString(file);
    Tables tables;
    if (data.size() < 12) {
        ADD_FAILURE() << "no table directory";
        return tables;
    }
    EXPECT_EQ(be32(data, 0), 0x00010000u);
    const unsigned count = be16(data, 4);
    unsigned power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    EXPECT_EQ(be16(data, 6), power * 16);
    EXPECT_EQ(be16(data, 8), log2);
    EXPECT_EQ(be16(data, 10), count * 16 - power * 16);
    if (data.size() < 12 + 16 * qsizetype{count}) {
        ADD_FAILURE() << "directory cut short";
        return tables;
    }
    std::string previous;
    qsizetype headOffset = -1;
    for (unsigned i = 0; i < count; ++i) {
        const qsizetype entry = 12 + 16 * qsizetype{i};
        const std::string tag = data.mid(entry, 4).toStdString();
        const std::uint32_t checksum = be32(data, entry + 4);
        const std::uint32_t offset = be32(data, entry + 8);
        const std::uint32_t length = be32(data, entry + 12);
        EXPECT_LT(previous, tag) << "directory not sorted";
        previous = tag;
        EXPECT_EQ(offset % 4, 0u) << tag;
        if (offset + qsizetype{length} > data.size()) {
            ADD_FAILURE() << tag << " beyond the file";
            continue;
        }
        QByteArray body = data.mid(offset, length);
        if (tag == "head") {
            headOffset = offset;
            put16(body, 8, 0);
            put16(body, 10, 0);
        }
        EXPECT_EQ(wordSum(body, 0, body.size()), checksum) << tag;
        tables[tag] = data.mid(offset, length);
    }
    EXPECT_GE(headOffset, 0) << "no head";
    EXPECT_EQ(wordSum(data, 0, data.size()), 0xB1B0AFBAu) << "checkSumAdjustment";
    return tables;
}

FaceTableReader readerOf(const Tables& tables)
{
    return [&tables](const char* tag) {
        const auto it = tables.find(tag);
        return it == tables.end() ? QByteArray() : it->second;
    };
}

Tables tablesOf(const QRawFont& font)
{
    Tables tables;
    for (const char* tag : {"head", "maxp", "hhea", "hmtx", "loca", "glyf", "cvt ", "fpgm", "prep", "cmap"}) {
        const QByteArray t = font.fontTable(tag);
        if (!t.isEmpty()) {
            tables[tag] = t;
        }
    }
    return tables;
}

std::set<std::uint32_t> glyphsOf(const QRawFont& font, const QString& text)
{
    std::set<std::uint32_t> glyphs;
    for (const quint32 g : font.glyphIndexesForString(text)) {
        glyphs.insert(g);
    }
    return glyphs;
}

unsigned numGlyphsOf(const Tables& tables)
{
    return be16(tables.at("maxp"), 4);
}

class SubsetTrueTypeTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }

    static QRawFont face(const char* path)
    {
        return QRawFont(QString::fromLatin1(path), 64, QFont::PreferNoHinting);
    }

    static QRawFont load(const std::string& subset)
    {
        return QRawFont(QByteArray::fromStdString(subset), 64, QFont::PreferNoHinting);
    }

    // Every glyph of the face draws in the subset as in the face when it was kept, and not
    // at all when it was left out.
    static void expectSameOutlines(const QRawFont& original, const QRawFont& subset,
                                   const std::set<std::uint32_t>& kept, const std::vector<quint32>& leftOut)
    {
        ASSERT_TRUE(subset.isValid());
        for (const std::uint32_t g : kept) {
            const QPainterPath expected = original.pathForGlyph(g);
            EXPECT_EQ(subset.pathForGlyph(g), expected) << "glyph " << g;
        }
        for (const quint32 g : leftOut) {
            EXPECT_FALSE(original.pathForGlyph(g).isEmpty()) << "glyph " << g << " is blank in the face";
            EXPECT_TRUE(subset.pathForGlyph(g).isEmpty()) << "glyph " << g;
        }
    }
};

TEST_F(SubsetTrueTypeTest, KeptGlyphsDrawAsInTheFaceAndTheOthersAreEmpty)
{
    const QRawFont liberation = face(kLiberationSans);
    ASSERT_TRUE(liberation.isValid());
    const Tables tables = tablesOf(liberation);
    const std::set<std::uint32_t> glyphs = glyphsOf(liberation, QStringLiteral("Typestone 0123"));
    ASSERT_EQ(glyphs.size(), 13u);

    const auto subset = subsetTrueType(readerOf(tables), glyphs);
    ASSERT_TRUE(subset);
    const Tables out = readSfnt(*subset);

    std::set<std::uint32_t> kept = glyphs;
    kept.insert(0);
    const auto leftOut = liberation.glyphIndexesForString(QStringLiteral("XZqz9"));
    expectSameOutlines(liberation, load(*subset), kept, std::vector<quint32>(leftOut.begin(), leftOut.end()));

    // The tables a reader needs, the face's programs as they were, nothing else.
    std::vector<std::string> tags;
    for (const auto& [tag, data] : out) {
        tags.push_back(tag);
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp",
                                              "prep"}));
    for (const char* tag : {"cvt ", "fpgm", "prep", "hhea", "maxp"}) {
        EXPECT_EQ(out.at(tag), tables.at(tag)) << tag;
    }
    EXPECT_EQ(numGlyphsOf(out), numGlyphsOf(tables));

    // Thirteen glyphs of a face of some 2,600: a small part of it, most of it the metrics and
    // loca entries that keep the glyph numbers.
    const qint64 faceSize = QFile(QString::fromLatin1(kLiberationSans)).size();
    EXPECT_LT(static_cast<qint64>(subset->size()) * 10, faceSize) << subset->size() << " of " << faceSize;
}

TEST_F(SubsetTrueTypeTest, CompositeGlyphsBringTheirComponents)
{
    const QRawFont dejavu = face(kDejaVuSans);
    ASSERT_TRUE(dejavu.isValid());
    const Tables tables = tablesOf(dejavu);
    // Ǻ is Å and an acute; Ấ is A and a composite accent (circumflex and acute): components
    // two deep, some of them glyphs no character maps to.
    const std::set<std::uint32_t> glyphs = glyphsOf(dejavu, QString::fromUtf16(u"\u01FA\u1EA4"));
    ASSERT_EQ(glyphs.size(), 2u);
    for (const std::uint32_t g : glyphs) {
        const QByteArray& loca = tables.at("loca");
        const bool longLoca = be16(tables.at("head"), 50) == 1;
        const std::uint32_t start = longLoca ? be32(loca, 4 * g) : 2 * be16(loca, 2 * g);
        ASSERT_EQ(static_cast<std::int16_t>(be16(tables.at("glyf"), start)), -1)
            << "glyph " << g << " is not composite";
    }

    const auto subset = subsetTrueType(readerOf(tables), glyphs);
    ASSERT_TRUE(subset);
    readSfnt(*subset);
    const std::set<std::uint32_t> components = glyphsOf(dejavu, QString::fromUtf16(u"\u00C5A"));
    std::set<std::uint32_t> kept = glyphs;
    kept.insert(components.begin(), components.end());
    const auto leftOut = dejavu.glyphIndexesForString(QStringLiteral("BC"));
    expectSameOutlines(dejavu, load(*subset), kept, std::vector<quint32>(leftOut.begin(), leftOut.end()));
}

TEST_F(SubsetTrueTypeTest, BothLocaFormatsHoldTheGlyphs)
{
    // A few glyphs fit the short loca; the whole face does not and needs the long one.
    const QRawFont dejavu = face(kDejaVuSans);
    const Tables tables = tablesOf(dejavu);
    const unsigned numGlyphs = numGlyphsOf(tables);
    std::set<std::uint32_t> all;
    for (std::uint32_t g = 0; g < numGlyphs; ++g) {
        all.insert(g);
    }
    const struct
    {
        const char* name;
        std::set<std::uint32_t> glyphs;
        unsigned locFormat;
    } cases[] = {
        {"few", glyphsOf(dejavu, QStringLiteral("Hello")), 0},
        {"all", all, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto subset = subsetTrueType(readerOf(tables), c.glyphs);
        ASSERT_TRUE(subset);
        const Tables out = readSfnt(*subset);
        EXPECT_EQ(be16(out.at("head"), 50), c.locFormat);
        EXPECT_EQ(out.at("loca").size(), qsizetype(numGlyphs + 1) * (c.locFormat ? 4 : 2));
        const QRawFont loaded = load(*subset);
        std::set<std::uint32_t> sample;
        for (const std::uint32_t g : c.glyphs) {
            if (g % 97 == 0 || c.glyphs.size() < 20) {
                sample.insert(g);
            }
        }
        expectSameOutlines(dejavu, loaded, sample, {});
    }
}

TEST_F(SubsetTrueTypeTest, GlyphNumbersBeyondTheFaceAreIgnored)
{
    const QRawFont liberation = face(kLiberationSans);
    const Tables tables = tablesOf(liberation);
    const std::uint32_t numGlyphs = numGlyphsOf(tables);
    const auto plain = subsetTrueType(readerOf(tables), {5});
    const auto beyond = subsetTrueType(readerOf(tables), {5, numGlyphs, 0xFFFF, 0xFFFFFFFF});
    ASSERT_TRUE(plain);
    ASSERT_TRUE(beyond);
    EXPECT_EQ(*plain, *beyond);
    // Glyph 0 is always there, even when nothing is asked for.
    const auto none = subsetTrueType(readerOf(tables), {});
    ASSERT_TRUE(none);
    expectSameOutlines(liberation, load(*none), {0}, {});
}

// --- A handmade face of a few glyphs, small enough to damage one field at a time.

QByteArray bytes16(std::initializer_list<unsigned> values)
{
    QByteArray out;
    for (const unsigned v : values) {
        out += static_cast<char>((v >> 8) & 0xFF);
        out += static_cast<char>(v & 0xFF);
    }
    return out;
}

// A simple glyph: one contour's header and some bytes of its own, 14 in all (not a multiple of 4).
QByteArray simpleGlyph(unsigned char fill)
{
    return bytes16({1, 0, 0, 100, 100}) + QByteArray(4, static_cast<char>(fill));
}

constexpr unsigned kWords = 0x0001, kScale = 0x0008, kMore = 0x0020, kXYScale = 0x0040, kTwoByTwo = 0x0080;

struct Component
{
    unsigned glyph;
    unsigned flags; // kMore is added for all but the last
};

// A composite glyph of `components`, each record as long as its flags say.
QByteArray compositeGlyph(const std::vector<Component>& components)
{
    QByteArray out = bytes16({0xFFFF, 0, 0, 100, 100});
    for (size_t i = 0; i < components.size(); ++i) {
        const unsigned flags = components[i].flags | (i + 1 < components.size() ? kMore : 0);
        out += bytes16({flags, components[i].glyph});
        out += (flags & kWords) ? bytes16({10, 20}) : bytes16({0x0A14});
        if (flags & kScale) {
            out += bytes16({0x4000});
        } else if (flags & kXYScale) {
            out += bytes16({0x4000, 0x4000});
        } else if (flags & kTwoByTwo) {
            out += bytes16({0x4000, 0, 0, 0x4000});
        }
    }
    return out;
}

// The tables of a face holding `glyphs` (glyph 0 first), short loca, one metric per glyph.
Tables tinyFace(const std::vector<QByteArray>& glyphs)
{
    Tables t;
    t["head"] = QByteArray(54, '\0');
    put16(t["head"], 0, 1);
    put16(t["head"], 18, 1000);
    t["maxp"] = bytes16({0, 0x5000, static_cast<unsigned>(glyphs.size())});
    t["hhea"] = QByteArray(36, '\0');
    put16(t["hhea"], 34, static_cast<unsigned>(glyphs.size()));
    QByteArray glyf, loca, hmtx;
    for (const QByteArray& g : glyphs) {
        loca += bytes16({static_cast<unsigned>(glyf.size() / 2)});
        glyf += g;
        if (glyf.size() % 2) {
            glyf += '\0';
        }
        hmtx += bytes16({500, 0});
    }
    loca += bytes16({static_cast<unsigned>(glyf.size() / 2)});
    t["glyf"] = glyf;
    t["loca"] = loca;
    t["hmtx"] = hmtx;
    return t;
}

// The bytes a subset holds for each glyph: its loca range in its glyf.
std::vector<QByteArray> glyphsIn(const Tables& t)
{
    const unsigned numGlyphs = numGlyphsOf(t);
    const bool longLoca = be16(t.at("head"), 50) == 1;
    const QByteArray& loca = t.at("loca");
    std::vector<QByteArray> glyphs;
    for (unsigned g = 0; g < numGlyphs; ++g) {
        const std::uint32_t start = longLoca ? be32(loca, 4 * g) : 2 * be16(loca, 2 * g);
        const std::uint32_t end = longLoca ? be32(loca, 4 * g + 4) : 2 * be16(loca, 2 * g + 2);
        EXPECT_EQ(start % 4, 0u);
        glyphs.push_back(t.at("glyf").mid(start, end - start));
    }
    return glyphs;
}

// The glyph as a subset holds it: padded with zeros to four bytes.
QByteArray padded(QByteArray glyph)
{
    while (glyph.size() % 4) {
        glyph += '\0';
    }
    return glyph;
}

TEST(SubsetTinyFaceTest, KeepsTheRequestedGlyphsTheirComponentsAndGlyphZero)
{
    // 0 simple, 1 simple, 2 simple, 3 = 1 + 2 (every record form), 4 = 3 (nested), 5 simple.
    const std::vector<QByteArray> glyphs = {
        simpleGlyph(0xA0),
        simpleGlyph(0xA1),
        simpleGlyph(0xA2),
        compositeGlyph({{1, kWords | kScale}, {2, kXYScale}, {1, kTwoByTwo}, {2, 0}}),
        compositeGlyph({{3, kWords}}),
        simpleGlyph(0xA5),
    };
    const Tables face = tinyFace(glyphs);
    const struct
    {
        const char* name;
        std::set<std::uint32_t> request;
        std::set<std::uint32_t> kept;
    } cases[] = {
        {"simple", {5}, {0, 5}},
        {"composite", {3}, {0, 1, 2, 3}},
        {"nested composite", {4}, {0, 1, 2, 3, 4}},
        {"nothing", {}, {0}},
        {"beyond the face", {2, 6, 70000}, {0, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto subset = subsetTrueType(readerOf(face), c.request);
        ASSERT_TRUE(subset);
        const Tables out = readSfnt(*subset);
        EXPECT_EQ(out.at("hmtx"), face.at("hmtx"));
        const std::vector<QByteArray> held = glyphsIn(out);
        ASSERT_EQ(held.size(), glyphs.size());
        for (std::uint32_t g = 0; g < glyphs.size(); ++g) {
            EXPECT_EQ(held[g], c.kept.count(g) ? padded(glyphs[g]) : QByteArray()) << "glyph " << g;
        }
    }
}

TEST(SubsetTinyFaceTest, DamagedTablesGiveNothing)
{
    const std::vector<QByteArray> glyphs = {simpleGlyph(0xA0), simpleGlyph(0xA1),
                                            compositeGlyph({{1, kWords}}), simpleGlyph(0xA3)};
    const auto damage = [&](auto&& change) {
        Tables t = tinyFace(glyphs);
        change(t);
        return t;
    };
    const struct
    {
        const char* name;
        Tables face;
        std::set<std::uint32_t> request;
    } cases[] = {
        {"no glyf nor loca (outlines in CFF)",
         damage([](Tables& t) {
             t.erase("glyf");
             t.erase("loca");
         }),
         {1}},
        {"no glyf for the glyphs loca points at", damage([](Tables& t) { t.erase("glyf"); }), {1}},
        {"glyf cut short", damage([](Tables& t) { t["glyf"].truncate(40); }), {3}},
        {"loca beyond glyf", damage([](Tables& t) { put16(t["loca"], 8, 0x7000); }), {3}},
        {"loca going backwards", damage([](Tables& t) { put16(t["loca"], 4, 2); }), {1}},
        {"loca cut short", damage([](Tables& t) { t["loca"].chop(2); }), {1}},
        {"glyph shorter than its header", damage([](Tables& t) { put16(t["loca"], 4, 9); }), {1}},
        {"indexToLocFormat 7", damage([](Tables& t) { put16(t["head"], 50, 7); }), {1}},
        {"head cut short", damage([](Tables& t) { t["head"].truncate(50); }), {1}},
        {"no maxp", damage([](Tables& t) { t.erase("maxp"); }), {1}},
        {"numGlyphs 0", damage([](Tables& t) { put16(t["maxp"], 4, 0); }), {}},
        {"numGlyphs beyond loca",
         damage([](Tables& t) {
             put16(t["maxp"], 4, 5);
             t["hmtx"] += bytes16({500});
         }),
         {1}},
        {"numberOfHMetrics 0", damage([](Tables& t) { put16(t["hhea"], 34, 0); }), {1}},
        {"numberOfHMetrics beyond numGlyphs", damage([](Tables& t) { put16(t["hhea"], 34, 5); }), {1}},
        {"hmtx cut short", damage([](Tables& t) { t["hmtx"].chop(1); }), {1}},
        {"composite naming itself", damage([](Tables& t) { put16(t["glyf"], 28 + 12, 2); }), {2}},
        {"composite naming a glyph beyond the face",
         damage([](Tables& t) { put16(t["glyf"], 28 + 12, 4); }),
         {2}},
        {"component record cut short",
         damage([](Tables& t) { put16(t["glyf"], 28 + 10, kWords | kMore); }),
         {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(subsetTrueType(readerOf(c.face), c.request));
    }
    // The same face undamaged gives a subset: each case above fails for its own damage.
    EXPECT_TRUE(subsetTrueType(readerOf(tinyFace(glyphs)), {1, 2, 3}));
}

TEST(SubsetTinyFaceTest, AFaceOfBlankGlyphsGivesAnEmptyGlyf)
{
    // Spaces only, under a blank glyph 0: a well-formed font with nothing to draw.
    const auto subset = subsetTrueType(readerOf(tinyFace({QByteArray(), QByteArray()})), {1});
    ASSERT_TRUE(subset);
    const Tables out = readSfnt(*subset);
    EXPECT_TRUE(out.at("glyf").isEmpty());
    EXPECT_EQ(out.at("loca"), bytes16({0, 0, 0}));
}

TEST(SubsetTinyFaceTest, ComponentCyclesAndDeepChainsEnd)
{
    // Glyph g names glyph g + 1 down to the last, a simple one: a chain `depth` deep.
    const auto chain = [](unsigned depth) {
        std::vector<QByteArray> glyphs = {simpleGlyph(0)};
        for (unsigned g = 1; g <= depth; ++g) {
            glyphs.push_back(compositeGlyph({{g + 1, 0}}));
        }
        glyphs.push_back(simpleGlyph(1));
        return tinyFace(glyphs);
    };
    EXPECT_TRUE(subsetTrueType(readerOf(chain(8)), {1}));
    EXPECT_FALSE(subsetTrueType(readerOf(chain(40)), {1}));

    // 1 names 2, 2 names 1, whichever is asked for first.
    const Tables cycle = tinyFace({simpleGlyph(0), compositeGlyph({{2, 0}}), compositeGlyph({{1, 0}})});
    EXPECT_FALSE(subsetTrueType(readerOf(cycle), {1}));
    EXPECT_FALSE(subsetTrueType(readerOf(cycle), {2}));

    // A glyph named twice, as a component of two composites, is no cycle.
    const Tables shared = tinyFace(
        {simpleGlyph(0), simpleGlyph(1), compositeGlyph({{1, 0}, {1, 0}}), compositeGlyph({{2, 0}, {1, 0}})});
    EXPECT_TRUE(subsetTrueType(readerOf(shared), {2, 3}));
}

// --- The ToUnicode map

const std::string kCMapPrologue = "/CIDInit /ProcSet findresource begin\n"
                                  "12 dict begin\n"
                                  "begincmap\n"
                                  "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                                  "/CMapName /Adobe-Identity-UCS def\n"
                                  "/CMapType 2 def\n"
                                  "1 begincodespacerange\n"
                                  "<0000> <FFFF>\n"
                                  "endcodespacerange\n";
const std::string kCMapEpilogue = "endcmap\n"
                                  "CMapName currentdict /CMap defineresource pop\n"
                                  "end\n"
                                  "end\n";

TEST(ToUnicodeCMapTest, WritesRangesAndSingleEntries)
{
    const struct
    {
        const char* name;
        std::map<std::uint32_t, char32_t> glyphText;
        std::string body;
    } cases[] = {
        {"nothing", {}, ""},
        {"lone entries",
         {{1, U'P'}, {2, U'a'}, {3, U'g'}},
         "3 beginbfchar\n<0001> <0050>\n<0002> <0061>\n<0003> <0067>\nendbfchar\n"},
        {"a run", {{3, U'A'}, {4, U'B'}, {5, U'C'}}, "1 beginbfrange\n<0003> <0005> <0041>\nendbfrange\n"},
        {"a run and a lone entry after a gap",
         {{0x24, U'A'}, {0x25, U'B'}, {0x27, U'C'}},
         "1 beginbfrange\n<0024> <0025> <0041>\nendbfrange\n1 beginbfchar\n<0027> <0043>\nendbfchar\n"},
        {"a run cut where the glyph's low byte wraps",
         {{0xFE, U'a'}, {0xFF, U'b'}, {0x100, U'c'}, {0x101, U'd'}},
         "2 beginbfrange\n<00FE> <00FF> <0061>\n<0100> <0101> <0063>\nendbfrange\n"},
        {"a run cut where the text's low byte wraps",
         {{10, 0xFE}, {11, 0xFF}, {12, 0x100}, {13, 0x101}},
         "2 beginbfrange\n<000A> <000B> <00FE>\n<000C> <000D> <0100>\nendbfrange\n"},
        {"large glyph numbers and text", {{0xABCD, 0xFFFD}}, "1 beginbfchar\n<ABCD> <FFFD>\nendbfchar\n"},
        {"a surrogate pair, also in sequence",
         {{5, 0x1F600}, {6, 0x1F601}, {7, 0x10000}},
         "3 beginbfchar\n<0005> <D83DDE00>\n<0006> <D83DDE01>\n<0007> <D800DC00>\nendbfchar\n"},
        {"what two-byte codes and UTF-16 cannot hold is left out",
         {{1, U'x'}, {2, 0xD800}, {3, 0x110000}, {0x10000, U'y'}, {0xFFFFFFFF, U'z'}},
         "1 beginbfchar\n<0001> <0078>\nendbfchar\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toUnicodeCMap(c.glyphText), kCMapPrologue + c.body + kCMapEpilogue);
    }
}

// The blocks of a CMap body: each one's kind and entry lines, checking the count it states.
std::vector<std::pair<std::string, std::vector<std::string>>> cmapBlocks(const std::string& cmap)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> blocks;
    EXPECT_EQ(cmap.rfind(kCMapPrologue, 0), 0u);
    std::string body = cmap.substr(kCMapPrologue.size());
    std::istringstream in(body);
    std::string line;
    while (std::getline(in, line) && line != "endcmap") {
        const size_t space = line.find(" begin");
        if (space == std::string::npos) {
            ADD_FAILURE() << "not a block: " << line;
            break;
        }
        const size_t count = std::stoul(line.substr(0, space));
        const std::string kind = line.substr(space + 6);
        blocks.push_back({kind, {}});
        while (std::getline(in, line) && line != "end" + kind) {
            blocks.back().second.push_back(line);
        }
        EXPECT_EQ(blocks.back().second.size(), count) << kind;
    }
    return blocks;
}

TEST(ToUnicodeCMapTest, BlocksHoldAtMostAHundredEntriesInGlyphOrder)
{
    // 130 runs of two (glyphs 4k, 4k+1) and 250 lone entries (glyphs 4k+2 with unrelated text).
    std::map<std::uint32_t, char32_t> glyphText;
    for (std::uint32_t k = 0; k < 250; ++k) {
        if (k < 130) {
            glyphText[4 * k] = U'a' + 2 * (k % 8);
            glyphText[4 * k + 1] = U'a' + 2 * (k % 8) + 1;
        }
        glyphText[4 * k + 2] = 0x4E00 + 3 * k;
    }
    const auto blocks = cmapBlocks(toUnicodeCMap(glyphText));
    std::vector<size_t> sizes;
    std::vector<std::string> ranges, singles;
    for (const auto& [kind, lines] : blocks) {
        sizes.push_back(lines.size());
        (kind == "bfrange" ? ranges : singles)
            .insert((kind == "bfrange" ? ranges : singles).end(), lines.begin(), lines.end());
    }
    EXPECT_EQ(sizes, (std::vector<size_t>{100, 30, 100, 100, 50}));
    ASSERT_EQ(ranges.size(), 130u);
    ASSERT_EQ(singles.size(), 250u);
    EXPECT_EQ(ranges[0], "<0000> <0001> <0061>");
    EXPECT_EQ(ranges[129], "<0204> <0205> <0063>");
    EXPECT_EQ(singles[0], "<0002> <4E00>");
    EXPECT_EQ(singles[249], "<03E6> <50EB>");
    EXPECT_TRUE(std::is_sorted(ranges.begin(), ranges.end()));
    EXPECT_TRUE(std::is_sorted(singles.begin(), singles.end()));
}

// --- Type 3 glyph procedures

TEST(Type3GlyphProcedureTest, WritesThePathAndItsBox)
{
    QPainterPath square;
    square.addRect(0, 0, 100, 100);

    QPainterPath twoContours;
    twoContours.moveTo(10, 10);
    twoContours.lineTo(20, 10);
    twoContours.lineTo(20, 20);
    twoContours.moveTo(-30.25, -5);
    twoContours.lineTo(-10, -5);
    twoContours.lineTo(-10, 0.5);

    // Control points move one way, so the curve's box is its end points'; -0.00004 rounds to 0.
    QPainterPath curve;
    curve.moveTo(-0.5, 10.25);
    curve.cubicTo(-0.00004, 12, 3.33333, 14, 5.00004, 20.00004);
    curve.closeSubpath();

    const struct
    {
        const char* name;
        QPainterPath path;
        double advance;
        std::string expected;
    } cases[] = {
        {"square", square, 600, "600 0 0 0 100 100 d1\n0 0 m\n100 0 l\n100 100 l\n0 100 l\n0 0 l\nh\nf\n"},
        {"two open contours", twoContours, 612.34567,
         "612.3457 0 -31 -5 20 20 d1\n10 10 m\n20 10 l\n20 20 l\nh\n-30.25 -5 m\n-10 -5 l\n-10 0.5 "
         "l\nh\nf\n"},
        {"a curve", curve, 500.5,
         "500.5 0 -1 10 6 21 d1\n-0.5 10.25 m\n0 12 3.3333 14 5 20 c\n-0.5 10.25 l\nh\nf\n"},
        {"empty", QPainterPath(), 250, "250 0 0 0 0 0 d1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(type3GlyphProcedure(c.path, c.advance), c.expected);
    }
}

TEST(Type3GlyphProcedureTest, NumbersAreShortDecimalsWithoutExponentOrNegativeZero)
{
    const struct
    {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {-0.00004, "0"},
        {0.00006, "0.0001"},
        {0.5, "0.5"},
        {-2.5, "-2.5"},
        {1e-7, "0"},
        {0.0625, "0.0625"},
        {123456.78901, "123456.789"},
        {1e7, "10000000"},
        {-0.99999, "-1"},
        {std::numeric_limits<double>::quiet_NaN(), "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(type3GlyphProcedure(QPainterPath(), c.value), std::string(c.text) + " 0 0 0 0 0 d1\n");
    }
}

} // namespace
} // namespace platform::draw
