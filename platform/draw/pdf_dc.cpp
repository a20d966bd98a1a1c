#include "platform/draw/pdf_dc.h"

#include "platform/draw/code_page.h"
#include "platform/draw/pdf_document.h"
#include "platform/draw/pdf_fonts.h"
#include "platform/draw/pixel_geometry.h"
#include "platform/draw/qt_font.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform::draw {

using pixels::clamped;

namespace {

constexpr double kEdge = 1.0 / 64;

// A glyph's position as the painter places it: x / scale cut to 1/64 pixel (towards zero).
double glyphPosition(int x, double scale)
{
    return std::trunc(x / scale * 64.0) / 64.0;
}

} // namespace

PdfDc::PdfDc(const DeviceCaps& caps) : m_caps(caps) {}

PdfDc::~PdfDc() = default;

void PdfDc::startDocument(PdfDocument* document, PdfFonts* fonts)
{
    m_document = document;
    m_fonts = fonts;
    m_recentFaces.clear();
    m_face = -1;
    m_patternNames.clear();
    m_imageNames.clear();
    m_xobjects.clear();
    m_patterns.clear();
    m_images = 0;
}

void PdfDc::startPage(PdfContent* content, double pageHeightPt)
{
    m_content = content;
    m_pageHeightPt = pageHeightPt;
    m_fill.reset();
    m_saved.clear();
    if (!m_content) {
        return;
    }
    // Device pixels, y down from the sheet's top.
    m_content->significant(72.0 / std::max(1, m_caps.dpiX))
        .raw(" 0 0 ")
        .significant(-72.0 / std::max(1, m_caps.dpiY))
        .raw(" 0 ")
        .significant(pageHeightPt)
        .op("cm");
}

void PdfDc::push()
{
    m_content->raw("q\n");
    m_saved.push_back(m_fill);
}

void PdfDc::pop()
{
    m_content->raw("Q\n");
    if (!m_saved.empty()) {
        m_fill = m_saved.back();
        m_saved.pop_back();
    }
}

void PdfDc::useFill(Color color)
{
    if (m_fill == color) {
        return;
    }
    m_content->component(color.red).space().component(color.green).space().component(color.blue).op("rg");
    m_fill = color;
}

void PdfDc::fillSolid(const Rect& rect, Color color)
{
    useFill(color);
    if (m_turn) {
        push();
        transform(*m_turn);
    }
    m_content->rect(static_cast<long long>(rect.left) + m_caps.offsetX,
                    static_cast<long long>(rect.top) + m_caps.offsetY, rect.width(), rect.height());
    m_content->raw("f\n");
    if (m_turn) {
        pop();
    }
}

void PdfDc::transform(const QTransform& t)
{
    m_content->significant(t.m11())
        .space()
        .significant(t.m12())
        .space()
        .significant(t.m21())
        .space()
        .significant(t.m22())
        .space()
        .significant(t.dx())
        .space()
        .significant(t.dy())
        .op("cm");
}

void PdfDc::fillPixels(const Rect& area, const Brush& brush)
{
    const Rect rect = clamped(area).intersected(Rect{0, 0, m_caps.width, m_caps.height});
    if (!m_content || rect.isEmpty()) {
        return;
    }
    switch (brush.style) {
    case BrushStyle::Null:
        return;
    case BrushStyle::Solid:
        fillSolid(rect, brush.color);
        return;
    case BrushStyle::Pattern: {
        const std::string name = patternFor(brush.pattern, state().textColor, state().backgroundColor);
        if (name.empty()) {
            return;
        }
        m_content->raw("/Pattern cs /").raw(name).op("scn");
        m_fill.reset();
        // Readers fill a pattern up to and including the pixel its far edges touch; a 1/64
        // pixel less keeps it to the rectangle's own pixels, as a solid fill is.
        m_content->integer(static_cast<long long>(rect.left) + m_caps.offsetX)
            .space()
            .integer(static_cast<long long>(rect.top) + m_caps.offsetY)
            .space()
            .real(rect.width() - kEdge)
            .space()
            .real(rect.height() - kEdge)
            .op("re");
        m_content->raw("f\n");
        return;
    }
    }
}

std::string PdfDc::patternFor(const Pattern8x8& rows, Color ink, Color paper)
{
    if (!m_document) {
        return {};
    }
    const auto key = std::make_tuple(rows, ink.colorRef(), paper.colorRef());
    if (const auto it = m_patternNames.find(key); it != m_patternNames.end()) {
        return it->second;
    }
    // An 8 x 8 image tile in device pixels, its cells aligned to the printable area's corner
    // (pattern space is the page's default space, not the current transform).
    std::string pixels;
    pixels.reserve(8 * 8 * 3);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const Color c = (rows[static_cast<size_t>(y)] & (0x80 >> x)) ? ink : paper;
            pixels += static_cast<char>(c.red);
            pixels += static_cast<char>(c.green);
            pixels += static_cast<char>(c.blue);
        }
    }
    const int imageId = m_document->allocate();
    m_document->writeStream(imageId,
                            "/Type /XObject /Subtype /Image /Width 8 /Height 8 /ColorSpace /DeviceRGB "
                            "/BitsPerComponent 8 /Interpolate false",
                            pixels, true);
    const double sx = 72.0 / std::max(1, m_caps.dpiX);
    const double sy = 72.0 / std::max(1, m_caps.dpiY);
    PdfContent matrix;
    matrix.significant(sx)
        .raw(" 0 0 ")
        .significant(-sy)
        .space()
        .significant(m_caps.offsetX * sx)
        .space()
        .significant(m_pageHeightPt - m_caps.offsetY * sy);
    const int patternId = m_document->allocate();
    m_document->writeStream(
        patternId,
        "/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 8 8] /XStep 8 "
        "/YStep 8 /Matrix [" +
            matrix.text() + "] /Resources <</XObject <</T " + std::to_string(imageId) + " 0 R>>>>",
        "8 0 0 -8 0 8 cm /T Do\n", false);
    const std::string name = "P" + std::to_string(m_patternNames.size() + 1);
    m_patterns += "/" + name + " " + std::to_string(patternId) + " 0 R ";
    m_patternNames.emplace(key, name);
    return name;
}

bool PdfDc::textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip)
{
    const FontHandle font = state().font;
    if (!font) {
        return false;
    }
    const std::optional<TextPlace> place = placeText(at, bytes, clip);
    if (!place) {
        return true;
    }
    const TextMetrics& metrics = font->metrics();
    const TextPlace& run = *place;

    // A clip or a turned baseline needs a graphics state of its own for this run.
    if (run.isolated) {
        push();
        if (clip) {
            const Rect c = clamped(*clip);
            m_content->rect(static_cast<long long>(c.left) + m_caps.offsetX,
                            static_cast<long long>(c.top) + m_caps.offsetY, c.width(), c.height());
            m_content->raw("W n\n");
        }
        if (run.escapement % 3600 != 0) {
            // Turn about the reference point, counter-clockwise on the page. Each part of the
            // run is drawn in one transform made of the turn and its own placement, written
            // as the painter writes it, so that the reader places it the same.
            const double x = static_cast<double>(run.at.x) + m_caps.offsetX;
            const double y = static_cast<double>(run.at.y) + m_caps.offsetY;
            QTransform turn;
            turn.translate(x, y);
            turn.rotate(-run.escapement / 10.0);
            turn.translate(-x, -y);
            m_turn = turn;
        }
    }
    if (state().backgroundMode == BackgroundMode::Opaque) {
        fillSolid(Rect{run.at.x, run.top, run.at.x + run.width, run.top + metrics.height},
                  state().backgroundColor);
    }
    const Color ink = state().textColor;
    const int baseline = run.top + metrics.ascent;
    if (const auto* qtFont = dynamic_cast<const QtFont*>(font.get())) {
        const QtFont::Glyphs& glyphs = qtFont->glyphs();
        if (m_fonts) {
            m_face = faceOf(font, glyphs);
        }
        drawGlyphs(*qtFont, bytes, run.justify, Point{run.at.x, baseline}, ink);
        if (metrics.underlined) {
            const int y = baseline + static_cast<int>(std::lround(glyphs.underlinePosition));
            const int h = std::max(1, static_cast<int>(std::lround(glyphs.underlineThickness)));
            fillSolid(Rect{run.at.x, y, run.at.x + run.width, y + h}, ink);
        }
        if (metrics.struckOut) {
            const int y = baseline - static_cast<int>(std::lround(glyphs.strikeoutPosition));
            const int h = std::max(1, static_cast<int>(std::lround(glyphs.strikeoutThickness)));
            fillSolid(Rect{run.at.x, y, run.at.x + run.width, y + h}, ink);
        }
    }
    m_turn.reset();
    if (run.isolated) {
        pop();
    }
    return true;
}

int PdfDc::faceOf(const FontHandle& font, const QtFont::Glyphs& glyphs)
{
    constexpr size_t kRecent = 8;
    for (size_t i = 0; i < m_recentFaces.size(); ++i) {
        if (m_recentFaces[i].first == font) {
            return m_recentFaces[i].second;
        }
    }
    const int face = m_fonts->face(glyphs.rawFont);
    if (m_recentFaces.size() == kRecent) {
        m_recentFaces.erase(m_recentFaces.begin());
    }
    m_recentFaces.emplace_back(font, face);
    return face;
}

void PdfDc::drawGlyphs(const QtFont& font, std::string_view bytes, const std::vector<int>& justify,
                       Point origin, Color ink)
{
    if (!m_fonts || m_face < 0) {
        return;
    }
    const QtFont::Glyphs& glyphs = font.glyphs();
    const double scale = glyphs.horizontalScale > 0 ? glyphs.horizontalScale : 1.0;
    struct Placed
    {
        PdfFonts::Code code;
        double x;
    };
    // Most runs are a line of a fixed-pitch face: one step between glyphs.
    thread_local std::vector<Placed> placed;
    placed.clear();
    int x = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        if (!glyphs.blank[byte] && !glyphs.inkless[byte]) {
            placed.push_back(Placed{
                m_fonts->code(m_face, glyphs.rawFont, glyphs.index[byte], toUnicode(font.codePage(), byte)),
                glyphPosition(x, scale)});
        }
        x += font.charWidth(byte) + (justify.empty() ? 0 : justify[i]);
    }
    if (placed.empty()) {
        return;
    }
    const double size = glyphs.rawFont.pixelSize() > 0 ? glyphs.rawFont.pixelSize() : 1.0;
    // A reader moves on by each glyph's width and the character spacing; the spacing is the
    // difference most steps share (for a fixed-pitch face: all of them but the rounding).
    const auto advance = [size](const PdfFonts::Code& code) { return code.width * 0.001 * size; };
    double spacing = 0;
    {
        double candidates[2] = {0, 0};
        int counts[2] = {0, 0};
        for (size_t i = 1; i < placed.size(); ++i) {
            const double d = placed[i].x - placed[i - 1].x - advance(placed[i - 1].code);
            if (counts[0] == 0 || candidates[0] == d) {
                candidates[0] = d;
                ++counts[0];
            } else if (counts[1] == 0 || candidates[1] == d) {
                candidates[1] = d;
                ++counts[1];
            }
        }
        spacing = counts[1] > counts[0] ? candidates[1] : candidates[0];
    }
    // Unscaled runs stand on whole pixels, where a reader's rounding to its sub-pixel steps
    // turns on the last bit: a positioning number in thousandths of the size would move them
    // off by a rounding error, so they move by Td (whole pixels, exact), the spacing is whole
    // too, and a glyph that width plus spacing would not bring exactly to its place (as the
    // reader adds them) is moved there.
    const bool exactMoves = scale == 1.0;
    if (exactMoves) {
        spacing = std::round(spacing);
    }

    useFill(ink);
    PdfContent& c = *m_content;
    // The run's own placement, as the painter writes it: glyph positions then do not depend
    // on where the run is on the page.
    const long long runX = static_cast<long long>(origin.x) + m_caps.offsetX;
    const long long runY = static_cast<long long>(origin.y) + m_caps.offsetY;
    if (m_turn) {
        c.raw("q\n");
        transform(QTransform(scale, 0, 0, 1, static_cast<double>(runX), static_cast<double>(runY)) * *m_turn);
    } else {
        c.raw("q ").significant(scale).raw(" 0 0 1 ").integer(runX).space().integer(runY).op("cm");
    }
    c.raw("BT\n");
    int currentFont = -1;
    double lineX = 0; // where the last Td put the line
    double penX = 0;  // where the next glyph goes without a move
    bool open = false;
    const auto selectFont = [&](int fontIndex) {
        c.raw("/").raw(m_fonts->resourceName(fontIndex)).space().significant(size).raw(" Tf 1 0 0 -1 0 0 Tm");
        if (spacing != 0) {
            c.space().real(spacing, 9).raw(" Tc");
        }
        c.raw("\n");
        currentFont = fontIndex;
        lineX = 0;
        penX = 0;
    };
    const auto close = [&]() {
        if (open) {
            c.raw(">] TJ\n");
            open = false;
        }
    };
    for (const Placed& glyph : placed) {
        if (glyph.code.font != currentFont) {
            close();
            // A new font resets the text matrix (Tm): the run's start again.
            selectFont(glyph.code.font);
        }
        const double move = glyph.x - penX;
        if (move != 0 && (exactMoves || !open)) {
            close();
            c.real(glyph.x - lineX).raw(" 0 Td\n");
            lineX = glyph.x;
        } else if (move != 0) {
            // TJ moves against the writing direction, in thousandths of the size.
            c.raw(">").real(-move * 1000.0 / size).raw("<");
        }
        if (!open) {
            c.raw("[<");
            open = true;
        }
        if (glyph.code.twoBytes) {
            c.hex4(glyph.code.code);
        } else {
            c.hex2(glyph.code.code);
        }
        // As the reader moves on: the glyph's advance and the spacing first, then the sum.
        penX = glyph.x + (advance(glyph.code) + spacing);
    }
    close();
    c.raw("ET\nQ\n");
}

void PdfDc::strokeOffPage(Point from, Point to, int w, Color color)
{
    if (!m_content) {
        return;
    }
    // The reader clips it.
    PdfContent& c = *m_content;
    push();
    c.component(color.red).space().component(color.green).space().component(color.blue).op("RG");
    c.integer(w).raw(" w 0 J 0 j\n");
    c.integer(static_cast<long long>(from.x) + m_caps.offsetX)
        .space()
        .integer(static_cast<long long>(from.y) + m_caps.offsetY)
        .op("m");
    c.integer(static_cast<long long>(to.x) + m_caps.offsetX)
        .space()
        .integer(static_cast<long long>(to.y) + m_caps.offsetY)
        .op("l");
    c.raw("S\n");
    pop();
}

std::string PdfDc::writeImage(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::string pixels;
    pixels.reserve(static_cast<size_t>(rgb.width()) * static_cast<size_t>(rgb.height()) * 3);
    for (int y = 0; y < rgb.height(); ++y) {
        pixels.append(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                      static_cast<size_t>(rgb.width()) * 3);
    }
    std::string dictionary = "/Type /XObject /Subtype /Image /Width " + std::to_string(rgb.width()) +
                             " /Height " + std::to_string(rgb.height()) +
                             " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Interpolate false";
    if (image.hasAlphaChannel()) {
        const QImage alpha = image.convertToFormat(QImage::Format_Alpha8);
        std::string mask;
        mask.reserve(static_cast<size_t>(alpha.width()) * static_cast<size_t>(alpha.height()));
        for (int y = 0; y < alpha.height(); ++y) {
            mask.append(reinterpret_cast<const char*>(alpha.constScanLine(y)),
                        static_cast<size_t>(alpha.width()));
        }
        const int maskId = m_document->allocate();
        m_document->writeStream(maskId,
                                "/Type /XObject /Subtype /Image /Width " + std::to_string(alpha.width()) +
                                    " /Height " + std::to_string(alpha.height()) +
                                    " /ColorSpace /DeviceGray /BitsPerComponent 8 /Interpolate false",
                                mask, true);
        dictionary += " /SMask " + std::to_string(maskId) + " 0 R";
    }
    const int imageId = m_document->allocate();
    m_document->writeStream(imageId, dictionary, pixels, true);
    const std::string name = "Im" + std::to_string(++m_images);
    m_xobjects += "/" + name + " " + std::to_string(imageId) + " 0 R ";
    return name;
}

void PdfDc::drawImage(const Rect& area, const QImage& image)
{
    if (!m_content || !m_document || area.isEmpty() || image.isNull()) {
        return;
    }
    const Rect target = clamped(area);
    std::string& name = m_imageNames[image.cacheKey()];
    if (name.empty()) {
        name = writeImage(image);
    }
    // The image's first row at the target's top (the page's y runs down); as for patterns,
    // 1/64 pixel less at the far edges keeps it off the pixels after the target.
    PdfContent& c = *m_content;
    push();
    c.real(target.width() - kEdge)
        .raw(" 0 0 ")
        .real(kEdge - target.height())
        .space()
        .integer(static_cast<long long>(target.left) + m_caps.offsetX)
        .space()
        .real(static_cast<double>(target.bottom) + m_caps.offsetY - kEdge)
        .op("cm");
    c.raw("/").raw(name).raw(" Do\n");
    pop();
}

} // namespace platform::draw
