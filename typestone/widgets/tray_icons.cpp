#include "typestone/widgets/tray_icons.h"

#include <QPainter>
#include <QPixmap>

namespace typestone {
namespace {

QPixmap drawIcon(int size, bool paused)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = size / 16.0;
    // A printer: body, paper on top, a light for the state.
    p.setPen(QPen(Qt::black, u * 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4 * u, 1 * u, 8 * u, 5 * u));
    p.setBrush(paused ? QColor(128, 128, 128) : QColor(40, 90, 170));
    p.drawRoundedRect(QRectF(1 * u, 6 * u, 14 * u, 7 * u), u, u);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4 * u, 11 * u, 8 * u, 4 * u));
    p.setBrush(paused ? QColor(200, 40, 40) : QColor(40, 200, 60));
    p.drawEllipse(QRectF(11.5 * u, 7.5 * u, 2 * u, 2 * u));
    return pixmap;
}

} // namespace

QIcon ServerIcon(bool paused)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(drawIcon(size, paused));
    return icon;
}

} // namespace typestone
