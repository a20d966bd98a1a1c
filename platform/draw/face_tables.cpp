#include "platform/draw/face_tables.h"

namespace platform::draw {

namespace {

// Big-endian fields of a table, never read past its end.
class TableReader
{
public:
    explicit TableReader(const QByteArray& data) : m_data(data) {}

    bool has(int offset, int size) const { return offset >= 0 && offset + size <= m_data.size(); }
    std::uint16_t u16(int offset) const
    {
        return static_cast<std::uint16_t>((byte(offset) << 8) | byte(offset + 1));
    }
    std::int16_t s16(int offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::uint32_t u32(int offset) const
    {
        return (static_cast<std::uint32_t>(u16(offset)) << 16) | u16(offset + 2);
    }

private:
    unsigned byte(int offset) const { return static_cast<unsigned char>(m_data[offset]); }
    const QByteArray& m_data;
};

} // namespace

int FaceTables::advance(quint32 glyph) const
{
    if (advances.empty()) {
        return 0;
    }
    return glyph < advances.size() ? advances[glyph] : advances.back();
}

std::optional<FaceTables> FaceTables::read(const QRawFont& font, std::string* error)
{
    const auto fail = [error](const char* what) -> std::optional<FaceTables> {
        if (error) {
            *error = std::string("the face ") + what;
        }
        return std::nullopt;
    };
    const QByteArray head = font.fontTable("head");
    const QByteArray hhea = font.fontTable("hhea");
    const QByteArray os2 = font.fontTable("OS/2");
    const QByteArray post = font.fontTable("post");
    const QByteArray hmtx = font.fontTable("hmtx");
    const TableReader headReader(head), hheaReader(hhea), os2Reader(os2), postReader(post), hmtxReader(hmtx);

    FaceTables tables;
    if (!headReader.has(18, 2)) {
        return fail("has no usable head table");
    }
    tables.unitsPerEm = headReader.u16(18);
    if (tables.unitsPerEm == 0) {
        return fail("has no units per em");
    }
    if (!hheaReader.has(34, 2)) {
        return fail("has no usable hhea table");
    }
    tables.hheaAscender = hheaReader.s16(4);
    tables.hheaDescender = hheaReader.s16(6);
    tables.hheaLineGap = hheaReader.s16(8);
    tables.advanceWidthMax = hheaReader.u16(10);
    const int metricCount = hheaReader.u16(34);
    if (!os2Reader.has(76, 2)) {
        return fail("has no usable OS/2 table");
    }
    tables.xAvgCharWidth = os2Reader.s16(2);
    tables.weightClass = os2Reader.u16(4);
    tables.strikeoutSize = os2Reader.s16(26);
    tables.strikeoutPosition = os2Reader.s16(28);
    tables.winAscent = os2Reader.u16(74);
    tables.winDescent = os2Reader.u16(76);
    if (postReader.has(12, 4)) {
        tables.underlinePosition = postReader.s16(8);
        tables.underlineThickness = postReader.s16(10);
        tables.fixedPitch = postReader.u32(12) != 0;
    }
    if (metricCount == 0 || !hmtxReader.has(0, metricCount * 4)) {
        return fail("has no usable hmtx table");
    }
    tables.advances.reserve(metricCount);
    for (int i = 0; i < metricCount; ++i) {
        tables.advances.push_back(hmtxReader.u16(i * 4));
    }
    return tables;
}

} // namespace platform::draw
