#pragma once
// The fonts of one PDF document (internal to the PDF writer). Each face a page shows becomes
// one font resource: a Type 0 font of its TrueType outlines (glyph numbers as two-byte codes),
// or, for a face without TrueType outlines, Type 3 fonts of its glyphs' paths at the size
// they are drawn (one-byte codes, up to 256 glyphs each). The glyphs shown are collected as
// the pages are drawn; close() embeds each face once, cut down to them, with the map from
// glyph to text that lets readers find the words.

#include <QRawFont>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform::draw {

class PdfDocument;

class PdfFonts
{
public:
    // Where a glyph is: the font resource (an index; resourceName() gives "F<n>") and its
    // code in that font, two bytes (Type 0) or one (Type 3).
    struct Code
    {
        int font = -1;
        std::uint32_t code = 0;
        bool twoBytes = true;
        // The glyph's width as the font resource gives it, in thousandths of the size
        // (text readers find words by the widths, so they are the face's own).
        int width = 0;
    };

    PdfFonts();
    ~PdfFonts();

    PdfFonts(const PdfFonts&) = delete;
    PdfFonts& operator=(const PdfFonts&) = delete;

    // The face of `raw` (looked up by its names; callers keep the index for the glyphs of a
    // run, which are many).
    int face(const QRawFont& raw);
    // The code of glyph `glyph` of face `face`, drawn from `raw` (that face at the size of the
    // run) standing for `text`; the glyph is recorded for embedding.
    Code code(int face, const QRawFont& raw, std::uint32_t glyph, char32_t text);
    const std::string& resourceName(int font) const { return m_names[static_cast<size_t>(font)]; }

    // Writes every font into `document` and returns the entries of the resource
    // dictionary's /Font ("/F1 12 0 R /F2 14 0 R").
    std::string writeAll(PdfDocument& document);

private:
    struct Face;
    struct Type3Font;

    std::map<std::string, int> m_faceIndex;
    std::vector<std::unique_ptr<Face>> m_faces;
    std::vector<std::string> m_names; // by font index
};

} // namespace platform::draw
