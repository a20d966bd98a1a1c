#pragma once
// What a PDF needs to embed a face: a TrueType program cut down to the glyphs a document
// shows, the ToUnicode map that lets readers find the text, and, for faces that are not
// TrueType (CFF outlines), each glyph's outline as the drawing procedure of a Type 3 font.
// Pure functions of their input; the faces' tables are outside input and are checked before
// use (a damaged face gives nullopt, never a read out of bounds).

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

class QPainterPath;

namespace platform::draw {

// One table of a face by its four-letter tag ("glyf", "head", ...); empty when the face has
// none (QRawFont::fontTable).
using FaceTableReader = std::function<QByteArray(const char* tag)>;

// A TrueType font program holding the outlines of `glyphs`, of glyph 0 and of the components
// of composite glyphs among them, each under its own glyph number (so a PDF shows them by
// glyph number: CIDToGIDMap Identity); every other glyph is left empty. The tables a PDF
// reader needs are kept (head, hhea, maxp, hmtx, loca, glyf, and cvt, fpgm, prep when the face
// has them); cmap, name, post and the rest are left out. Nullopt when the face has no glyf
// table (a CFF face) or its tables do not hold together (a loca pointing outside glyf, a
// composite naming a glyph the face lacks, a cycle of components, ...).
std::optional<std::string> subsetTrueType(const FaceTableReader& table,
                                          const std::set<std::uint32_t>& glyphs);

// The ToUnicode CMap stream (PDF 1.2+, two-byte codes, CIDs = glyph numbers) that maps each
// glyph number to its text (one UTF-16 character or a surrogate pair). Contiguous runs go in
// bfrange blocks, the rest in bfchar blocks, at most 100 entries a block.
std::string toUnicodeCMap(const std::map<std::uint32_t, char32_t>& glyphText);

// A Type 3 glyph procedure drawing `outline` (in glyph space: y up, units as given) as a
// filled path under the non-zero winding rule: "wx 0 llx lly urx ury d1" followed by the path
// (m, l, c, h) and "f". Numbers are written with at most 4 decimals, no exponent.
std::string type3GlyphProcedure(const QPainterPath& outline, double advance);

} // namespace platform::draw
