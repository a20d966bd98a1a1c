#include "platform/draw/painter_dc.h"

#include "platform/draw/pixel_geometry.h"
#include "platform/draw/qt_font.h"

#include <QBrush>
#include <QColor>
#include <QGlyphRun>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform::draw {

using pixels::clamped;
using pixels::kCoordinateLimit;

namespace {

QColor toQColor(Color color)
{
    return QColor(color.red, color.green, color.blue);
}

QRect toQRect(const Rect& rect)
{
    return QRect(rect.left, rect.top, rect.width(), rect.height());
}

} // namespace

PainterDc::PainterDc(const DeviceCaps& caps) : m_caps(caps) {}

PainterDc::~PainterDc() = default;

void PainterDc::attach(QPainter* painter)
{
    m_painter = painter;
    m_painterState = PainterState{};
    if (m_painter) {
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setRenderHint(QPainter::TextAntialiasing, false);
        m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        m_pageTransform = m_painter->worldTransform();
        m_fillTransform = m_pageTransform;
        m_fillOffset = QPoint(0, 0);
        const qreal dx = m_pageTransform.dx();
        const qreal dy = m_pageTransform.dy();
        if (m_pageTransform.type() <= QTransform::TxTranslate && dx == std::trunc(dx) &&
            dy == std::trunc(dy) && std::abs(dx) <= kCoordinateLimit && std::abs(dy) <= kCoordinateLimit) {
            m_fillTransform = QTransform();
            m_fillOffset = QPoint(static_cast<int>(dx), static_cast<int>(dy));
        }
    }
}

void PainterDc::usePlacement(Placement placement)
{
    if (m_painterState.known && m_painterState.placement == placement) {
        return;
    }
    m_painter->setWorldTransform(placement == Placement::Fill ? m_fillTransform : m_pageTransform);
    m_painterState.placement = placement;
}

void PainterDc::useFill(const QColor& color)
{
    usePlacement(Placement::Fill);
    if (m_painterState.known && !m_painterState.ink && m_painterState.color == color) {
        return;
    }
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(color);
    m_painterState.ink = false;
    m_painterState.color = color;
    m_painterState.known = true;
}

void PainterDc::useInk(const QColor& color, Point origin, qreal scaleX)
{
    // A run's glyphs are placed from its own origin, so that their positions (which the
    // painter rounds to 1/64 pixel) do not depend on where the run is on the page.
    if (!m_painterState.known || m_painterState.placement != Placement::Run ||
        m_painterState.origin != origin || m_painterState.scaleX != scaleX) {
        QTransform transform = m_pageTransform;
        transform.translate(origin.x, origin.y);
        transform.scale(scaleX, 1.0);
        m_painter->setWorldTransform(transform);
        m_painterState.placement = Placement::Run;
        m_painterState.origin = origin;
        m_painterState.scaleX = scaleX;
    }
    if (m_painterState.known && m_painterState.ink && m_painterState.color == color) {
        return;
    }
    m_painter->setPen(color);
    m_painterState.ink = true;
    m_painterState.color = color;
    m_painterState.known = true;
}

void PainterDc::fillSolid(const QRect& rect, const QColor& color)
{
    useFill(color);
    m_painter->drawRect(rect.translated(m_fillOffset));
}

void PainterDc::fillPixels(const Rect& area, const Brush& brush)
{
    // Only the page can show anything.
    const Rect rect = clamped(area).intersected(Rect{0, 0, m_caps.width, m_caps.height});
    if (!m_painter || rect.isEmpty()) {
        return;
    }
    switch (brush.style) {
    case BrushStyle::Null:
        return;
    case BrushStyle::Solid:
        fillSolid(toQRect(rect), toQColor(brush.color));
        return;
    case BrushStyle::Pattern: {
        QImage tile(8, 8, QImage::Format_RGB32);
        const QRgb ink = toQColor(state().textColor).rgb();
        const QRgb paper = toQColor(state().backgroundColor).rgb();
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                tile.setPixel(x, y, (brush.pattern[y] & (0x80 >> x)) ? ink : paper);
            }
        }
        // The pattern is aligned to the page's origin, not to the scale of a text run.
        usePlacement(Placement::Page);
        m_painter->save();
        m_painter->setBrushOrigin(0, 0);
        m_painter->fillRect(toQRect(rect), QBrush(tile));
        m_painter->restore();
        return;
    }
    }
}

bool PainterDc::textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip)
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

    // A clip or a turned baseline needs a painter state of its own for this run; plain runs
    // share the page's.
    if (run.isolated) {
        usePlacement(Placement::Page);
        m_painter->save();
        if (clip) {
            m_painter->setClipRect(toQRect(clamped(*clip)), Qt::IntersectClip);
        }
        if (run.escapement % 3600 != 0) {
            // Turn about the reference point, counter-clockwise on the page.
            m_painter->translate(run.at.x, run.at.y);
            m_painter->rotate(-run.escapement / 10.0);
            m_painter->translate(-run.at.x, -run.at.y);
        }
    }
    const auto fill = [&](const QRect& rect, const QColor& color) {
        if (run.isolated) {
            m_painter->fillRect(rect, color);
        } else {
            fillSolid(rect, color);
        }
    };
    if (state().backgroundMode == BackgroundMode::Opaque) {
        fill(QRect(run.at.x, run.top, run.width, metrics.height), toQColor(state().backgroundColor));
    }
    const QColor ink = toQColor(state().textColor);
    const int baseline = run.top + metrics.ascent;
    if (const auto* qtFont = dynamic_cast<const QtFont*>(font.get())) {
        const QtFont::Glyphs& glyphs = qtFont->glyphs();
        drawGlyphs(*qtFont, bytes, run.justify, Point{run.at.x, baseline}, run.isolated, ink);
        if (metrics.underlined) {
            const int y = baseline + static_cast<int>(std::lround(glyphs.underlinePosition));
            const int h = std::max(1, static_cast<int>(std::lround(glyphs.underlineThickness)));
            fill(QRect(run.at.x, y, run.width, h), ink);
        }
        if (metrics.struckOut) {
            const int y = baseline - static_cast<int>(std::lround(glyphs.strikeoutPosition));
            const int h = std::max(1, static_cast<int>(std::lround(glyphs.strikeoutThickness)));
            fill(QRect(run.at.x, y, run.width, h), ink);
        }
    }
    if (run.isolated) {
        m_painter->restore();
    }
    return true;
}

void PainterDc::drawGlyphs(const QtFont& font, std::string_view bytes, const std::vector<int>& justify,
                           Point origin, bool isolated, const QColor& ink)
{
    const QtFont::Glyphs& glyphs = font.glyphs();
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(static_cast<qsizetype>(bytes.size()));
    positions.reserve(static_cast<qsizetype>(bytes.size()));
    int x = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        if (!glyphs.blank[byte] && !glyphs.inkless[byte]) {
            indexes.push_back(glyphs.index[byte]);
            positions.push_back(QPointF(x / glyphs.horizontalScale, 0));
        }
        x += font.charWidth(byte) + (justify.empty() ? 0 : justify[i]);
    }
    if (indexes.isEmpty()) {
        return;
    }
    QGlyphRun run;
    run.setRawFont(glyphs.rawFont);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    if (isolated) {
        m_painter->save();
        m_painter->translate(origin.x, origin.y);
        m_painter->scale(glyphs.horizontalScale, 1.0);
        m_painter->setPen(ink);
        m_painter->drawGlyphRun(QPointF(0, 0), run);
        m_painter->restore();
        return;
    }
    useInk(ink, origin, glyphs.horizontalScale);
    m_painter->drawGlyphRun(QPointF(0, 0), run);
}

void PainterDc::strokeOffPage(Point from, Point to, int w, Color color)
{
    if (!m_painter) {
        return;
    }
    // The painter clips it.
    QPen qpen(toQColor(color), w, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    usePlacement(Placement::Page);
    m_painter->save();
    m_painter->setPen(qpen);
    m_painter->drawLine(QPoint(from.x, from.y), QPoint(to.x, to.y));
    m_painter->restore();
}

void PainterDc::drawImage(const Rect& target, const QImage& image)
{
    if (!m_painter || target.isEmpty() || image.isNull()) {
        return;
    }
    usePlacement(Placement::Page);
    m_painter->drawImage(toQRect(clamped(target)), image);
}

} // namespace platform::draw
