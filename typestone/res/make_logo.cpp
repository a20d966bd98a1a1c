// Draws Typestone's start-up logo and writes it as a JPEG file: scripts/make-logo runs it to
// remake typestone/res/TYPESTONE.JPG. The upper-left corner stays calm, since the program
// paints its name and version there.

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.JPG\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const int width = 480, height = 240;
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(18, 32, 64));
    sky.setColorAt(1, QColor(36, 78, 128));
    p.fillRect(image.rect(), sky);

    // A sheet of continuous paper coming out of a stylised type block.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 238, 242));
    p.drawRect(300, 60, 120, 120);
    p.setPen(QPen(QColor(150, 160, 175), 2));
    for (int y = 80; y < 175; y += 14)
        p.drawLine(314, y, 406, y);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 130, 145));
    for (int y = 66; y < 180; y += 12) {
        p.drawEllipse(QPointF(306, y), 2.5, 2.5);
        p.drawEllipse(QPointF(414, y), 2.5, 2.5);
    }
    QPainterPath block;
    block.addRoundedRect(QRectF(280, 160, 160, 50), 8, 8);
    p.setBrush(QColor(210, 150, 40));
    p.drawPath(block);
    p.setBrush(QColor(120, 80, 20));
    p.drawRect(295, 175, 130, 8);

    QFont title("DejaVu Sans", 34, QFont::Bold);
    p.setFont(title);
    p.setPen(QColor(250, 250, 250));
    p.drawText(QRect(24, 96, 260, 60), Qt::AlignLeft | Qt::AlignVCenter, "Typestone");
    QFont sub("DejaVu Sans", 11);
    p.setFont(sub);
    p.setPen(QColor(200, 215, 235));
    p.drawText(QRect(26, 150, 260, 24), Qt::AlignLeft | Qt::AlignVCenter, "Print server for VALDOR hosts");
    p.setPen(QPen(QColor(210, 150, 40), 3));
    p.drawLine(26, 180, 230, 180);
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]), "JPEG", 90)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
