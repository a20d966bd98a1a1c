#include "platform/draw/pdf_fonts.h"

#include "platform/draw/pdf_document.h"
#include "platform/draw/pdf_font_subset.h"

#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <set>

namespace platform::draw {

namespace {

// TrueType glyph numbers are 16 bits; anything above is not a glyph of the face.
constexpr std::uint32_t kGlyphLimit = 0x10000;
constexpr size_t kType3Codes = 256;

std::string number(double value)
{
    if (!std::isfinite(value)) {
        value = 0;
    }
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    std::string text = buffer;
    while (!text.empty() && text.back() == '0') {
        text.pop_back();
    }
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

std::string ref(int id)
{
    return std::to_string(id) + " 0 R";
}

// A PDF name from a face's name: letters, digits and '-' only.
std::string pdfName(const QString& text)
{
    std::string out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-') {
            out += static_cast<char>(u);
        }
    }
    return out.empty() ? std::string("Font") : out.substr(0, 100);
}

// Six capitals that set this document's cut of a face apart from other cuts of it.
std::string subsetTag(size_t index, const std::vector<char32_t>& text)
{
    std::uint32_t hash = 2166136261u ^ static_cast<std::uint32_t>(index);
    for (size_t glyph = 0; glyph < text.size(); ++glyph) {
        if (text[glyph]) {
            hash = (hash ^ static_cast<std::uint32_t>(glyph)) * 16777619u;
        }
    }
    std::string tag;
    for (int i = 0; i < 6; ++i) {
        tag += static_cast<char>('A' + hash % 26);
        hash /= 26;
        hash += static_cast<std::uint32_t>(index) * 7u;
    }
    return tag + "+";
}

// A glyph's advance in thousandths of the em, whole as a reader's width table takes it.
int widthOf(const QRawFont& raw, std::uint32_t glyph)
{
    const quint32 index = glyph;
    QPointF advance;
    if (raw.pixelSize() <= 0 || !raw.advancesForGlyphIndexes(&index, &advance, 1)) {
        return 0;
    }
    return std::clamp(static_cast<int>(std::lround(advance.x() * 1000.0 / raw.pixelSize())), -30000, 30000);
}

std::uint32_t readBig(const QByteArray& table, int offset, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = (value << 8) | static_cast<std::uint8_t>(table[offset + i]);
    }
    return value;
}

int readShort(const QByteArray& table, int offset)
{
    return static_cast<std::int16_t>(readBig(table, offset, 2));
}

// The one-byte ToUnicode map of a Type 3 font.
std::string oneByteCMap(const std::vector<char32_t>& texts)
{
    std::string out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
    std::vector<std::pair<size_t, char32_t>> entries;
    for (size_t code = 0; code < texts.size(); ++code) {
        if (texts[code]) {
            entries.emplace_back(code, texts[code]);
        }
    }
    char buffer[40];
    for (size_t start = 0; start < entries.size(); start += 100) {
        const size_t end = std::min(entries.size(), start + 100);
        out += std::to_string(end - start) + " beginbfchar\n";
        for (size_t i = start; i < end; ++i) {
            const char32_t c = entries[i].second;
            if (c > 0xFFFF) {
                const char32_t v = c - 0x10000;
                std::snprintf(buffer, sizeof buffer, "<%02zX> <%04X%04X>\n", entries[i].first,
                              static_cast<unsigned>(0xD800 + (v >> 10)),
                              static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
            } else {
                std::snprintf(buffer, sizeof buffer, "<%02zX> <%04X>\n", entries[i].first,
                              static_cast<unsigned>(c));
            }
            out += buffer;
        }
        out += "endbfchar\n";
    }
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

} // namespace

struct PdfFonts::Type3Font
{
    QRawFont raw;                      // at the size it is drawn
    std::vector<std::uint32_t> glyphs; // by code
    std::vector<char32_t> texts;       // by code
    std::vector<int> widths;           // by code, thousandths of the em
    int resource = -1;
};

struct PdfFonts::Face
{
    QRawFont raw;
    bool trueType = true;
    std::string baseName;
    // Type 0: the text of each glyph shown (0: not shown, or shown without text, see `shown`).
    std::vector<char32_t> text;
    std::vector<bool> shown;
    std::vector<std::int16_t> width; // by glyph, thousandths of the em
    int resource = -1;
    // Type 3: the fonts of each pixel size, and the code of each glyph in them.
    struct Size
    {
        double pixelSize = 0;
        std::vector<std::int32_t> codeOf; // by glyph: font * 256 + code, -1 none
        std::vector<int> fonts;           // indexes into type3
    };
    std::vector<Size> sizes;
    std::vector<Type3Font> type3;
};

PdfFonts::PdfFonts() = default;
PdfFonts::~PdfFonts() = default;

int PdfFonts::face(const QRawFont& raw)
{
    const std::string key = raw.familyName().toStdString() + '\n' + raw.styleName().toStdString() + '\n' +
                            std::to_string(static_cast<int>(raw.weight())) + '\n' +
                            std::to_string(static_cast<int>(raw.style()));
    if (const auto it = m_faceIndex.find(key); it != m_faceIndex.end()) {
        return it->second;
    }
    auto face = std::make_unique<Face>();
    face->raw = raw;
    // Without TrueType outlines the glyphs go into Type 3 fonts of their paths.
    face->trueType = !raw.fontTable("glyf").isEmpty() && !raw.fontTable("loca").isEmpty();
    QString name = raw.familyName();
    if (!raw.styleName().isEmpty() && raw.styleName() != QStringLiteral("Regular")) {
        name += QStringLiteral("-") + raw.styleName();
    }
    face->baseName = pdfName(name);
    const int index = static_cast<int>(m_faces.size());
    m_faces.push_back(std::move(face));
    m_faceIndex.emplace(key, index);
    return index;
}

PdfFonts::Code PdfFonts::code(int faceIndex, const QRawFont& raw, std::uint32_t glyph, char32_t text)
{
    Face& face = *m_faces[static_cast<size_t>(faceIndex)];
    if (glyph >= kGlyphLimit) {
        glyph = 0;
    }
    if (face.trueType) {
        if (face.resource < 0) {
            face.resource = static_cast<int>(m_names.size());
            m_names.push_back("F" + std::to_string(face.resource + 1));
            face.text.assign(kGlyphLimit, 0);
            face.shown.assign(kGlyphLimit, false);
            face.width.assign(kGlyphLimit, 0);
        }
        if (!face.shown[glyph]) {
            face.shown[glyph] = true;
            face.text[glyph] = text;
            face.width[glyph] = static_cast<std::int16_t>(widthOf(raw, glyph));
        }
        return Code{face.resource, glyph, true, face.width[glyph]};
    }
    const double pixelSize = raw.pixelSize();
    auto size = std::find_if(face.sizes.begin(), face.sizes.end(),
                             [&](const Face::Size& s) { return s.pixelSize == pixelSize; });
    if (size == face.sizes.end()) {
        face.sizes.push_back(Face::Size{pixelSize, std::vector<std::int32_t>(kGlyphLimit, -1), {}});
        size = face.sizes.end() - 1;
    }
    if (const std::int32_t known = size->codeOf[glyph]; known >= 0) {
        const Type3Font& font = face.type3[static_cast<size_t>(known / 256)];
        const auto code = static_cast<std::uint32_t>(known % 256);
        return Code{font.resource, code, false, font.widths[code]};
    }
    if (size->fonts.empty() ||
        face.type3[static_cast<size_t>(size->fonts.back())].glyphs.size() >= kType3Codes) {
        Type3Font font;
        font.raw = raw;
        font.resource = static_cast<int>(m_names.size());
        m_names.push_back("F" + std::to_string(font.resource + 1));
        size->fonts.push_back(static_cast<int>(face.type3.size()));
        face.type3.push_back(std::move(font));
    }
    const int fontIndex = size->fonts.back();
    Type3Font& font = face.type3[static_cast<size_t>(fontIndex)];
    const auto code = static_cast<std::uint32_t>(font.glyphs.size());
    font.glyphs.push_back(glyph);
    font.texts.push_back(text);
    font.widths.push_back(widthOf(raw, glyph));
    size->codeOf[glyph] = fontIndex * 256 + static_cast<std::int32_t>(code);
    return Code{font.resource, code, false, font.widths.back()};
}

std::string PdfFonts::writeAll(PdfDocument& document)
{
    std::string entries;
    for (size_t index = 0; index < m_faces.size(); ++index) {
        Face& face = *m_faces[index];
        const QRawFont& raw = face.raw;
        if (face.trueType && face.resource >= 0) {
            std::set<std::uint32_t> glyphs;
            std::map<std::uint32_t, char32_t> glyphText;
            for (std::uint32_t g = 0; g < kGlyphLimit; ++g) {
                if (face.shown[g]) {
                    glyphs.insert(g);
                    if (face.text[g]) {
                        glyphText.emplace(g, face.text[g]);
                    }
                }
            }
            const std::string name = subsetTag(index, face.text) + face.baseName;
            const FaceTableReader reader = [&raw](const char* tag) { return raw.fontTable(tag); };
            const std::optional<std::string> program = subsetTrueType(reader, glyphs);

            const double pixels = raw.pixelSize() > 0 ? raw.pixelSize() : 1.0;
            const double scale = 1000.0 / pixels;
            std::string box = "[" + number(-raw.maxCharWidth() * scale) + " " +
                              number(-raw.descent() * scale) + " " + number(raw.maxCharWidth() * scale) +
                              " " + number(raw.ascent() * scale) + "]";
            const QByteArray head = raw.fontTable("head");
            if (head.size() >= 54) {
                const int unitsPerEm = static_cast<int>(readBig(head, 18, 2));
                if (unitsPerEm > 0) {
                    const double unit = 1000.0 / unitsPerEm;
                    box = "[" + number(readShort(head, 36) * unit) + " " +
                          number(readShort(head, 38) * unit) + " " + number(readShort(head, 40) * unit) +
                          " " + number(readShort(head, 42) * unit) + "]";
                }
            }
            double italicAngle = 0;
            const QByteArray post = raw.fontTable("post");
            if (post.size() >= 8) {
                italicAngle = static_cast<std::int32_t>(readBig(post, 4, 4)) / 65536.0;
            }
            std::string descriptor = "<</Type /FontDescriptor /FontName /" + name + " /Flags 4 /FontBBox " +
                                     box + " /ItalicAngle " + number(italicAngle) + " /Ascent " +
                                     number(raw.ascent() * scale) + " /Descent " +
                                     number(-raw.descent() * scale) + " /CapHeight " +
                                     number(raw.capHeight() * scale) + " /StemV 80";
            if (program) {
                const int fileId = document.allocate();
                document.writeStream(fileId, "/Length1 " + std::to_string(program->size()), *program, true);
                descriptor += " /FontFile2 " + ref(fileId);
            }
            descriptor += ">>";
            const int descriptorId = document.allocate();
            document.writeObject(descriptorId, descriptor);
            // The most common width as the default, the others listed.
            std::map<int, int> widthCount;
            for (const std::uint32_t g : glyphs) {
                ++widthCount[face.width[g]];
            }
            const int defaultWidth =
                std::max_element(widthCount.begin(), widthCount.end(), [](const auto& a, const auto& b) {
                    return a.second < b.second;
                })->first;
            std::string widths;
            for (const std::uint32_t g : glyphs) {
                if (face.width[g] != defaultWidth) {
                    widths += std::to_string(g) + " [" + std::to_string(face.width[g]) + "] ";
                }
            }
            const int cidFontId = document.allocate();
            document.writeObject(cidFontId, "<</Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                                                " /CIDSystemInfo <</Registry (Adobe) /Ordering (Identity) "
                                                "/Supplement 0>> /FontDescriptor " +
                                                ref(descriptorId) + " /CIDToGIDMap /Identity /DW " +
                                                std::to_string(defaultWidth) +
                                                (widths.empty() ? std::string() : " /W [" + widths + "]") +
                                                ">>");
            const int toUnicodeId = document.allocate();
            document.writeStream(toUnicodeId, {}, toUnicodeCMap(glyphText), true);
            const int fontId = document.allocate();
            document.writeObject(fontId, "<</Type /Font /Subtype /Type0 /BaseFont /" + name +
                                             " /Encoding /Identity-H /DescendantFonts [" + ref(cidFontId) +
                                             "] /ToUnicode " + ref(toUnicodeId) + ">>");
            entries += "/" + m_names[static_cast<size_t>(face.resource)] + " " + ref(fontId) + " ";
        }
        for (const Type3Font& font : face.type3) {
            const double pixels = font.raw.pixelSize() > 0 ? font.raw.pixelSize() : 1.0;
            const QTransform flip(1000.0 / pixels, 0, 0, -1000.0 / pixels, 0, 0);
            std::string procs;
            std::string differences;
            QRectF bounds;
            for (size_t code = 0; code < font.glyphs.size(); ++code) {
                const QPainterPath path = flip.map(font.raw.pathForGlyph(font.glyphs[code]));
                bounds = bounds.united(path.boundingRect());
                const int procId = document.allocate();
                document.writeStream(procId, {}, type3GlyphProcedure(path, font.widths[code]), true);
                procs += "/g" + std::to_string(code) + " " + ref(procId) + " ";
                differences += "/g" + std::to_string(code) + " ";
            }
            const int toUnicodeId = document.allocate();
            document.writeStream(toUnicodeId, {}, oneByteCMap(font.texts), true);
            // Glyph space is thousandths of the em, as in the widths; the procedures' pixels
            // are scaled to it.
            std::string widths;
            for (const int width : font.widths) {
                widths += std::to_string(width) + " ";
            }
            const char* matrix = "[0.001 0 0 0.001 0 0]";
            const int fontId = document.allocate();
            document.writeObject(
                fontId, "<</Type /Font /Subtype /Type3 /FontBBox [" + number(std::floor(bounds.left())) +
                            " " + number(std::floor(bounds.top())) + " " + number(std::ceil(bounds.right())) +
                            " " + number(std::ceil(bounds.bottom())) + "] /FontMatrix " + matrix +
                            " /CharProcs <<" + procs +
                            ">> /Encoding <</Type /Encoding "
                            "/Differences [0 " +
                            differences + "]>> /FirstChar 0 /LastChar " +
                            std::to_string(font.glyphs.size() - 1) + " /Widths [" + widths +
                            "] /Resources <<>> /ToUnicode " + ref(toUnicodeId) + ">>");
            entries += "/" + m_names[static_cast<size_t>(font.resource)] + " " + ref(fontId) + " ";
        }
    }
    return entries;
}

} // namespace platform::draw
