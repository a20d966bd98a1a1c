#include "platform/draw/pdf_font_subset.h"

#include "platform/draw/sfnt_writer.h"

#include <string_view>
#include <vector>

namespace platform::draw {

namespace {

// Big-endian fields of one table; every caller checks the range with has() first.
class TableBytes
{
public:
    explicit TableBytes(const QByteArray& data)
        : m_bytes(reinterpret_cast<const unsigned char*>(data.constData())),
          m_size(static_cast<size_t>(data.size()))
    {
    }

    size_t size() const { return m_size; }
    bool has(size_t offset, size_t count) const { return offset <= m_size && count <= m_size - offset; }
    std::uint16_t u16(size_t offset) const
    {
        return static_cast<std::uint16_t>((m_bytes[offset] << 8) | m_bytes[offset + 1]);
    }
    std::uint32_t u32(size_t offset) const { return (std::uint32_t{u16(offset)} << 16) | u16(offset + 2); }
    std::string_view view(size_t offset, size_t count) const
    {
        return {reinterpret_cast<const char*>(m_bytes) + offset, count};
    }

private:
    const unsigned char* m_bytes;
    size_t m_size;
};

// The fields of head, maxp and hhea the subset depends on.
constexpr size_t kHeadSize = 54;
constexpr size_t kHeadIndexToLocFormat = 50;
constexpr size_t kMaxpNumGlyphs = 4;
constexpr size_t kHheaSize = 36;
constexpr size_t kHheaNumberOfHMetrics = 34;

// A glyph's header: numberOfContours and its box; negative contours mark a composite.
constexpr size_t kGlyphHeaderSize = 10;

// Component record flags of a composite glyph.
constexpr std::uint16_t kArg1And2AreWords = 0x0001;
constexpr std::uint16_t kWeHaveAScale = 0x0008;
constexpr std::uint16_t kMoreComponents = 0x0020;
constexpr std::uint16_t kWeHaveAnXAndYScale = 0x0040;
constexpr std::uint16_t kWeHaveATwoByTwo = 0x0080;

// Real faces nest composites two or three deep; a deeper chain is taken for a damaged face.
constexpr int kMaxComponentDepth = 16;

size_t padded4(size_t size)
{
    return (size + 3) & ~size_t{3};
}

void append16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

void append32(std::string& out, std::uint32_t value)
{
    append16(out, value >> 16);
    append16(out, value & 0xFFFF);
}

struct GlyphRange
{
    size_t start = 0;
    size_t length = 0;
};

// Which glyphs go into the subset: the requested ones and, through composites, their
// components. A glyph's state is set while its components are walked, so a cycle is seen.
class GlyphClosure
{
public:
    GlyphClosure(const TableBytes& loca, const TableBytes& glyf, std::uint32_t numGlyphs, bool longLoca)
        : m_loca(loca), m_glyf(glyf), m_numGlyphs(numGlyphs), m_longLoca(longLoca),
          m_state(numGlyphs, State::Out), m_ranges(numGlyphs)
    {
    }

    // Takes `glyph` (below numGlyphs) and its components; false when the face's data for them
    // does not hold together.
    bool keep(std::uint32_t glyph, int depth = 0)
    {
        if (m_state[glyph] == State::Kept) {
            return true;
        }
        if (m_state[glyph] == State::Walking || depth > kMaxComponentDepth) {
            return false;
        }
        if (!locate(glyph)) {
            return false;
        }
        m_state[glyph] = State::Walking;
        if (!keepComponents(m_ranges[glyph], depth)) {
            return false;
        }
        m_state[glyph] = State::Kept;
        return true;
    }

    bool kept(std::uint32_t glyph) const { return m_state[glyph] == State::Kept; }
    const GlyphRange& range(std::uint32_t glyph) const { return m_ranges[glyph]; }

private:
    enum class State : unsigned char
    {
        Out,
        Walking,
        Kept
    };

    std::uint32_t locaEntry(std::uint32_t index) const
    {
        return m_longLoca ? m_loca.u32(size_t{index} * 4) : std::uint32_t{m_loca.u16(size_t{index} * 2)} * 2;
    }

    bool locate(std::uint32_t glyph)
    {
        const size_t start = locaEntry(glyph);
        const size_t end = locaEntry(glyph + 1);
        if (start > end || end > m_glyf.size()) {
            return false;
        }
        const size_t length = end - start;
        if (length != 0 && length < kGlyphHeaderSize) {
            return false;
        }
        m_ranges[glyph] = GlyphRange{start, length};
        return true;
    }

    bool keepComponents(const GlyphRange& range, int depth)
    {
        if (range.length == 0 || static_cast<std::int16_t>(m_glyf.u16(range.start)) >= 0) {
            return true;
        }
        const size_t end = range.start + range.length;
        size_t at = range.start + kGlyphHeaderSize;
        for (;;) {
            if (at + 4 > end) {
                return false;
            }
            const std::uint16_t flags = m_glyf.u16(at);
            const std::uint32_t component = m_glyf.u16(at + 2);
            at += 4 + ((flags & kArg1And2AreWords) ? 4 : 2);
            if (flags & kWeHaveAScale) {
                at += 2;
            } else if (flags & kWeHaveAnXAndYScale) {
                at += 4;
            } else if (flags & kWeHaveATwoByTwo) {
                at += 8;
            }
            if (at > end || component >= m_numGlyphs || !keep(component, depth + 1)) {
                return false;
            }
            if (!(flags & kMoreComponents)) {
                return true;
            }
        }
    }

    const TableBytes& m_loca;
    const TableBytes& m_glyf;
    std::uint32_t m_numGlyphs;
    bool m_longLoca;
    std::vector<State> m_state;
    std::vector<GlyphRange> m_ranges;
};

} // namespace

std::optional<std::string> subsetTrueType(const FaceTableReader& table, const std::set<std::uint32_t>& glyphs)
{
    const QByteArray headData = table("head");
    const QByteArray maxpData = table("maxp");
    const QByteArray hheaData = table("hhea");
    const QByteArray hmtxData = table("hmtx");
    const QByteArray locaData = table("loca");
    const QByteArray glyfData = table("glyf");
    const QByteArray cvtData = table("cvt ");
    const QByteArray fpgmData = table("fpgm");
    const QByteArray prepData = table("prep");
    const TableBytes head(headData), maxp(maxpData), hhea(hheaData), hmtx(hmtxData), loca(locaData),
        glyf(glyfData);

    // A face without loca has no TrueType outlines (CFF ones, say). An empty glyf is a face
    // whose glyphs are all blank: loca then has to point nowhere else, which keep() checks.
    if (locaData.isEmpty() || !head.has(0, kHeadSize) || !maxp.has(kMaxpNumGlyphs, 2) ||
        !hhea.has(0, kHheaSize)) {
        return std::nullopt;
    }
    const std::uint16_t locFormat = head.u16(kHeadIndexToLocFormat);
    const std::uint32_t numGlyphs = maxp.u16(kMaxpNumGlyphs);
    const std::uint32_t numberOfHMetrics = hhea.u16(kHheaNumberOfHMetrics);
    if (locFormat > 1 || numGlyphs == 0 || numberOfHMetrics == 0 || numberOfHMetrics > numGlyphs) {
        return std::nullopt;
    }
    const bool longLoca = locFormat == 1;
    const size_t hmtxSize = size_t{numberOfHMetrics} * 4 + size_t{numGlyphs - numberOfHMetrics} * 2;
    if (!hmtx.has(0, hmtxSize) || !loca.has(0, (size_t{numGlyphs} + 1) * (longLoca ? 4 : 2))) {
        return std::nullopt;
    }

    GlyphClosure closure(loca, glyf, numGlyphs, longLoca);
    if (!closure.keep(0)) {
        return std::nullopt;
    }
    for (const std::uint32_t glyph : glyphs) {
        if (glyph >= numGlyphs) {
            break; // the set is ordered: the rest are beyond the face too
        }
        if (!closure.keep(glyph)) {
            return std::nullopt;
        }
    }

    // Each kept glyph at a four-byte boundary, which both loca formats can point at.
    std::string newGlyf;
    std::vector<std::uint32_t> offsets;
    offsets.reserve(size_t{numGlyphs} + 1);
    for (std::uint32_t glyph = 0; glyph < numGlyphs; ++glyph) {
        offsets.push_back(static_cast<std::uint32_t>(newGlyf.size()));
        if (closure.kept(glyph)) {
            const GlyphRange& r = closure.range(glyph);
            newGlyf.append(glyf.view(r.start, r.length));
            newGlyf.resize(padded4(newGlyf.size()), '\0');
        }
    }
    offsets.push_back(static_cast<std::uint32_t>(newGlyf.size()));

    // The short format (offset / 2 in 16 bits) when the glyphs fit in it: half the size.
    const bool newLongLoca = newGlyf.size() / 2 > 0xFFFF;
    std::string newLoca;
    newLoca.reserve(offsets.size() * (newLongLoca ? 4 : 2));
    for (const std::uint32_t offset : offsets) {
        if (newLongLoca) {
            append32(newLoca, offset);
        } else {
            append16(newLoca, offset / 2);
        }
    }

    std::string newHead(head.view(0, head.size()));
    newHead[kHeadIndexToLocFormat] = 0;
    newHead[kHeadIndexToLocFormat + 1] = newLongLoca ? 1 : 0;

    std::vector<SfntTable> tables = {
        {"head", newHead},
        {"hhea", hhea.view(0, hhea.size())},
        {"maxp", maxp.view(0, maxp.size())},
        {"hmtx", hmtx.view(0, hmtxSize)},
        {"loca", newLoca},
        {"glyf", newGlyf},
    };
    const std::pair<const char*, const QByteArray*> programs[] = {
        {"cvt ", &cvtData}, {"fpgm", &fpgmData}, {"prep", &prepData}};
    for (const auto& [tag, data] : programs) {
        if (!data->isEmpty()) {
            tables.push_back({tag, std::string_view(data->constData(), static_cast<size_t>(data->size()))});
        }
    }
    return writeSfnt(std::move(tables));
}

} // namespace platform::draw
