#pragma once
// A Dc drawing into the content of a PDF page (internal to PdfPageWriter). What it draws is
// what PainterDc draws on a QPainter, pixel for pixel: fills are pixel rectangles, lines
// Bresenham steps, and text runs glyphs placed at the same positions, so a page renders the
// same through either. The graphics state (colour) is written only when it changes, and a
// text run is one text object whose glyphs step by character spacing, with a positioning
// number only where a step differs.
//
// The page's transform maps device pixels from the sheet's corner (y down) to points; what is
// drawn is moved by the printable area's offset here, so no transform is needed per fill.

#include "platform/draw/pdf_content.h"
#include "platform/draw/pixel_dc.h"
#include "platform/draw/qt_font.h"

#include <QTransform>

#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace platform::draw {

class PdfDocument;
class PdfFonts;

class PdfDc : public PixelDc
{
public:
    explicit PdfDc(const DeviceCaps& caps);
    ~PdfDc() override;

    DeviceCaps caps() const override { return m_caps; }
    void setCaps(const DeviceCaps& caps) { m_caps = caps; }

    // A new document: images and patterns are written into `document`, glyphs recorded in
    // `fonts` (neither owned; null: drawing does nothing).
    void startDocument(PdfDocument* document, PdfFonts* fonts);
    // Draws into `content` from now on (null: nowhere); `pageHeightPt` is the page's height
    // in points (the transform flips y about it).
    void startPage(PdfContent* content, double pageHeightPt);
    void endPage() { startPage(nullptr, 0); }
    // The /XObject and /Pattern entries of the resource dictionary for what was drawn.
    const std::string& xobjectEntries() const { return m_xobjects; }
    const std::string& patternEntries() const { return m_patterns; }

    bool textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip = std::nullopt) override;
    void drawImage(const Rect& target, const QImage& image) override;

private:
    void fillPixels(const Rect& rect, const Brush& brush) override;
    void strokeOffPage(Point from, Point to, int width, Color color) override;
    bool drawing() const override { return m_content != nullptr; }
    // A rectangle of device pixels (moved by the printable area's offset here).
    void fillSolid(const Rect& rect, Color color);
    void useFill(Color color);
    void transform(const QTransform& t); // "a b c d e f cm"

    void push();
    void pop();
    void drawGlyphs(const QtFont& font, std::string_view bytes, const std::vector<int>& justify, Point origin,
                    Color ink);
    int faceOf(const FontHandle& font, const QtFont::Glyphs& glyphs);
    std::string writeImage(const QImage& image); // its resource name
    std::string patternFor(const Pattern8x8& rows, Color ink, Color paper);

    DeviceCaps m_caps;
    PdfDocument* m_document = nullptr;
    PdfFonts* m_fonts = nullptr;
    PdfContent* m_content = nullptr;
    double m_pageHeightPt = 0;
    std::optional<QTransform> m_turn;          // of the turned run being drawn
    std::optional<Color> m_fill;               // the fill colour set on the page; unknown at first
    std::vector<std::optional<Color>> m_saved; // of push()
    // The faces of the fonts last drawn with (held, so that their addresses stay their own):
    // pages switch between a few fonts, and finding a face by its names costs more than a run.
    std::vector<std::pair<FontHandle, int>> m_recentFaces;
    int m_face = -1;
    std::map<std::tuple<Pattern8x8, std::uint32_t, std::uint32_t>, std::string> m_patternNames;
    std::map<qint64, std::string>
        m_imageNames; // by QImage::cacheKey: an image drawn again is not written again
    std::string m_xobjects;
    std::string m_patterns;
    int m_images = 0;
};

} // namespace platform::draw
