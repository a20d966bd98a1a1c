#include "platform/draw/painter_dc.h"

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

namespace {

QColor toQColor(Color color)
{
    return QColor(color.red, color.green, color.blue);
}

QRect toQRect(const Rect& rect)
{
    return QRect(rect.left, rect.top, rect.width(), rect.height());
}

// Coordinates beyond this are clamped to it: far outside any page, and small enough that the
// pixel arithmetic below cannot overflow.
constexpr int kCoordinateLimit = 1 << 24;
constexpr int kMaxPenWidth = 1 << 16;

int clampCoordinate(int value)
{
    return std::clamp(value, -kCoordinateLimit, kCoordinateLimit);
}

Point clamped(Point p)
{
    return Point{clampCoordinate(p.x), clampCoordinate(p.y)};
}

Rect clamped(const Rect& r)
{
    return Rect{clampCoordinate(r.left), clampCoordinate(r.top), clampCoordinate(r.right),
                clampCoordinate(r.bottom)};
}

// The pixels of one step of a pen `width` wide centred on (x, y).
Rect penSquare(int x, int y, int width)
{
    const int start = width / 2;
    return Rect{x - start, y - start, x - start + width, y - start + width};
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
    if (!m_painter || bytes.empty() || (clip && clip->isEmpty())) {
        return true;
    }
    const TextMetrics& metrics = font->metrics();
    at = clamped(at);
    const int top = textTop(at.y);
    const std::vector<int> justify = takeJustification(bytes);
    int spread = 0;
    for (const int e : justify)
        spread += e;
    const int width = std::min(font->textWidth(bytes) + spread, 2 * kCoordinateLimit);

    // A clip or a turned baseline needs a painter state of its own for this run; plain runs
    // share the page's.
    const int escapement = font->logFont().escapement;
    const bool isolated = clip || escapement % 3600 != 0;
    if (isolated) {
        usePlacement(Placement::Page);
        m_painter->save();
        if (clip) {
            m_painter->setClipRect(toQRect(clamped(*clip)), Qt::IntersectClip);
        }
        if (escapement % 3600 != 0) {
            // Turn about the reference point, counter-clockwise on the page.
            m_painter->translate(at.x, at.y);
            m_painter->rotate(-escapement / 10.0);
            m_painter->translate(-at.x, -at.y);
        }
    }
    const auto fill = [&](const QRect& rect, const QColor& color) {
        if (isolated) {
            m_painter->fillRect(rect, color);
        } else {
            fillSolid(rect, color);
        }
    };
    if (state().backgroundMode == BackgroundMode::Opaque) {
        fill(QRect(at.x, top, width, metrics.height), toQColor(state().backgroundColor));
    }
    const QColor ink = toQColor(state().textColor);
    const int baseline = top + metrics.ascent;
    if (const auto* qtFont = dynamic_cast<const QtFont*>(font.get())) {
        const QtFont::Glyphs& glyphs = qtFont->glyphs();
        drawGlyphs(*qtFont, bytes, justify, Point{at.x, baseline}, isolated, ink);
        if (metrics.underlined) {
            const int y = baseline + static_cast<int>(std::lround(glyphs.underlinePosition));
            const int h = std::max(1, static_cast<int>(std::lround(glyphs.underlineThickness)));
            fill(QRect(at.x, y, width, h), ink);
        }
        if (metrics.struckOut) {
            const int y = baseline - static_cast<int>(std::lround(glyphs.strikeoutPosition));
            const int h = std::max(1, static_cast<int>(std::lround(glyphs.strikeoutThickness)));
            fill(QRect(at.x, y, width, h), ink);
        }
    }
    if (isolated) {
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

void PainterDc::drawLine(Point fromPoint, Point toPoint)
{
    const Pen& pen = state().pen;
    const Point from = clamped(fromPoint);
    const Point to = clamped(toPoint);
    if (!m_painter || pen.style == PenStyle::Null || from == to) {
        return;
    }
    const int w = std::clamp(pen.width, 1, kMaxPenWidth);
    const Brush ink = Brush::solid(pen.color);
    const int start = w / 2;
    if (from.y == to.y) {
        const int left = from.x < to.x ? from.x : to.x + 1;
        const int right = from.x < to.x ? to.x : from.x + 1;
        fillPixels(Rect{left, from.y - start, right, from.y - start + w}, ink);
        return;
    }
    if (from.x == to.x) {
        const int top = from.y < to.y ? from.y : to.y + 1;
        const int bottom = from.y < to.y ? to.y : from.y + 1;
        fillPixels(Rect{from.x - start, top, from.x - start + w, bottom}, ink);
        return;
    }
    // Any other direction: the Bresenham steps from `from`, without the end point. A line
    // that leaves the page is left to the painter, which clips it (a step count bounded by
    // the page, not by the coordinates).
    const Rect near{-w, -w, m_caps.width + w, m_caps.height + w};
    if (!near.contains(from) || !near.contains(to)) {
        QPen qpen(toQColor(pen.color), w, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        usePlacement(Placement::Page);
        m_painter->save();
        m_painter->setPen(qpen);
        m_painter->drawLine(QPoint(from.x, from.y), QPoint(to.x, to.y));
        m_painter->restore();
        return;
    }
    const int dx = std::abs(to.x - from.x);
    const int dy = -std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int error = dx + dy;
    int x = from.x;
    int y = from.y;
    while (x != to.x || y != to.y) {
        fillPixels(penSquare(x, y, w), ink);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void PainterDc::lineTo(Point to)
{
    drawLine(currentPosition(), to);
    moveTo(to);
}

void PainterDc::rectangle(const Rect& area)
{
    const Rect rect = clamped(area);
    if (rect.isEmpty()) {
        return;
    }
    fillPixels(rect, state().brush);
    const Pen& pen = state().pen;
    if (pen.style == PenStyle::Null) {
        return;
    }
    const int w = std::min({std::clamp(pen.width, 1, kMaxPenWidth), rect.width(), rect.height()});
    const Brush ink = Brush::solid(pen.color);
    fillPixels(Rect{rect.left, rect.top, rect.right, rect.top + w}, ink);
    fillPixels(Rect{rect.left, rect.bottom - w, rect.right, rect.bottom}, ink);
    fillPixels(Rect{rect.left, rect.top + w, rect.left + w, rect.bottom - w}, ink);
    fillPixels(Rect{rect.right - w, rect.top + w, rect.right, rect.bottom - w}, ink);
}

void PainterDc::fillRect(const Rect& rect, const Brush& brush)
{
    fillPixels(rect, brush);
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
