// Stop-gap versions of the face embedding functions until the real subsetter lands: the
// whole face is embedded (its tables as they are), the text map is plain bfchar entries.
#include "platform/draw/pdf_font_subset.h"

#include <QPainterPath>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace platform::draw {

namespace {

void put32(std::string& out, std::uint32_t v)
{
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void put16(std::string& out, std::uint32_t v)
{
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

std::uint32_t checksum(const QByteArray& data)
{
    std::uint32_t sum = 0;
    for (qsizetype i = 0; i < data.size(); i += 4) {
        std::uint32_t word = 0;
        for (int j = 0; j < 4; ++j) {
            word = (word << 8) | (i + j < data.size() ? static_cast<std::uint8_t>(data[i + j]) : 0);
        }
        sum += word;
    }
    return sum;
}

std::string num(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.4f", v);
    std::string s = b;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

} // namespace

std::optional<std::string> subsetTrueType(const FaceTableReader& table, const std::set<std::uint32_t>&)
{
    const char* tags[] = {"OS/2", "glyf", "head", "hhea", "hmtx", "loca", "maxp"};
    std::vector<std::pair<const char*, QByteArray>> tables;
    for (const char* tag : tags) {
        QByteArray data = table(tag);
        if (!data.isEmpty())
            tables.emplace_back(tag, data);
    }
    if (std::none_of(tables.begin(), tables.end(), [](const auto& t) { return std::string(t.first) == "glyf"; }))
        return std::nullopt;
    std::string out;
    put32(out, 0x00010000);
    const auto n = static_cast<std::uint32_t>(tables.size());
    std::uint32_t power = 1, log = 0;
    while (power * 2 <= n) {
        power *= 2;
        ++log;
    }
    put16(out, n);
    put16(out, power * 16);
    put16(out, log);
    put16(out, n * 16 - power * 16);
    std::uint32_t offset = 12 + 16 * n;
    for (const auto& [tag, data] : tables) {
        out.append(tag, 4);
        put32(out, checksum(data));
        put32(out, offset);
        put32(out, static_cast<std::uint32_t>(data.size()));
        offset += (static_cast<std::uint32_t>(data.size()) + 3) & ~3u;
    }
    for (const auto& t : tables) {
        out.append(t.second.constData(), static_cast<size_t>(t.second.size()));
        out.append((4 - t.second.size() % 4) % 4, '\0');
    }
    return out;
}

std::string toUnicodeCMap(const std::map<std::uint32_t, char32_t>& glyphText)
{
    std::string out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::pair<std::uint32_t, char32_t>> entries(glyphText.begin(), glyphText.end());
    char b[40];
    for (size_t start = 0; start < entries.size(); start += 100) {
        const size_t end = std::min(entries.size(), start + 100);
        out += std::to_string(end - start) + " beginbfchar\n";
        for (size_t i = start; i < end; ++i) {
            std::snprintf(b, sizeof b, "<%04X> <%04X>\n", entries[i].first, static_cast<unsigned>(entries[i].second));
            out += b;
        }
        out += "endbfchar\n";
    }
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

std::string type3GlyphProcedure(const QPainterPath& outline, double advance)
{
    const QRectF box = outline.boundingRect();
    std::string out = num(advance) + " 0 " + num(box.left()) + " " + num(box.top()) + " " + num(box.right()) + " " +
                      num(box.bottom()) + " d1\n";
    for (int i = 0; i < outline.elementCount(); ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        if (e.isMoveTo()) {
            if (i > 0)
                out += "h\n";
            out += num(e.x) + " " + num(e.y) + " m\n";
        } else if (e.isLineTo()) {
            out += num(e.x) + " " + num(e.y) + " l\n";
        } else if (e.isCurveTo() && i + 2 < outline.elementCount()) {
            const auto c2 = outline.elementAt(i + 1);
            const auto c3 = outline.elementAt(i + 2);
            out += num(e.x) + " " + num(e.y) + " " + num(c2.x) + " " + num(c2.y) + " " + num(c3.x) + " " + num(c3.y) +
                   " c\n";
            i += 2;
        }
    }
    if (outline.elementCount() > 0)
        out += "h\n";
    out += "f\n";
    return out;
}

} // namespace platform::draw
