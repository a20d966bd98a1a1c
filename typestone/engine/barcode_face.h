#pragma once
// The barcode faces: what a barcode font would draw for its characters, drawn as bars through
// the Dc. No barcode font is installed here, so a face name the barcode command gives that is
// one of these kinds is drawn by this class instead of a font: each character of the face's
// encoding (barcode_encoders.h) becomes its bars in one character cell, with the digits
// written under the bars where the face has them (EAN-13).

#include "platform/draw/dc.h"
#include "platform/draw/font_engine.h"

#include <optional>
#include <string_view>

namespace typestone {

class BarcodeFace
{
public:
    enum class Kind
    {
        Code39, // "*" delimits, narrow to wide 1 : 2.5
        Wide39, // "@" delimits, narrow to wide 1 : 3
        Code128,
        Ean13,
    };

    // The face a font name stands for (compared in lower case, by substring, as the encoder
    // is chosen; "code128" with or without its set letter); none for any other name.
    static std::optional<BarcodeFace> forName(std::string_view faceName);

    Kind kind() const { return m_kind; }
    // The digits under the bars.
    bool humanReadable() const { return m_kind == Kind::Ean13; }
    // The units (the narrowest element) of one character cell: the cell's width is a whole
    // number of them.
    int unitsPerChar() const;
    // The width of a character cell of `height` pixels when the size gives none.
    int naturalWidth(int height) const;

    // Draws the characters `bytes` in cells of `cellWidth` x `cellHeight` pixels, the first
    // cell's bottom left at (x, bottom), in the Dc's text colour; bytes the face has no
    // character for are left out, and so are the characters past the page's right edge.
    // Digits go through `fonts` (none: no digits). The width drawn, in pixels.
    int draw(platform::draw::Dc& dc, int x, int bottom, int cellWidth, int cellHeight, std::string_view bytes,
             platform::draw::FontEngine* fonts) const;
    // The width draw() would take.
    int width(int cellWidth, std::string_view bytes) const;

private:
    explicit BarcodeFace(Kind kind) : m_kind(kind) {}
    Kind m_kind;
};

} // namespace typestone
