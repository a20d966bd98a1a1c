// Makes the printer test's two pictures: VALDOR.PCX, shown while the test prints, and
// TYPST.TIF, the page the test should give (from a rendering of TYPST.PRT, see
// scripts/make-test-images). PCX, since the test dialog shows that kind too; Qt writes none,
// so the encoder is here: 8 bits in 3 planes, run-length encoded.

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put16(std::vector<uint8_t>& out, size_t at, unsigned v)
{
    out[at] = uint8_t(v & 0xFF);
    out[at + 1] = uint8_t(v >> 8);
}

// One plane line, run-length encoded: runs of up to 63, and any byte of 0xC0 or more as a run.
void encodeLine(std::vector<uint8_t>& out, const std::vector<uint8_t>& line)
{
    size_t i = 0;
    while (i < line.size()) {
        size_t n = 1;
        while (i + n < line.size() && n < 63 && line[i + n] == line[i])
            ++n;
        if (n > 1 || line[i] >= 0xC0)
            out.push_back(uint8_t(0xC0 | n));
        out.push_back(line[i]);
        i += n;
    }
}

std::vector<uint8_t> encodePcx(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    const unsigned bytesPerLine = unsigned(w + (w & 1)); // even, as readers expect
    std::vector<uint8_t> out(128, 0);
    out[0] = 10; // PCX
    out[1] = 5;  // version 3.0 and later
    out[2] = 1;  // run-length encoded
    out[3] = 8;  // bits per pixel and plane
    put16(out, 8, unsigned(w - 1));
    put16(out, 10, unsigned(h - 1));
    put16(out, 12, 96);
    put16(out, 14, 96);
    out[65] = 3; // planes: red, green, blue
    put16(out, 66, bytesPerLine);
    put16(out, 68, 1);
    std::vector<uint8_t> line(bytesPerLine, 0);
    for (int y = 0; y < h; ++y) {
        const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int plane = 0; plane < 3; ++plane) {
            for (int x = 0; x < w; ++x)
                line[size_t(x)] = uint8_t(plane == 0   ? qRed(px[x])
                                          : plane == 1 ? qGreen(px[x])
                                                       : qBlue(px[x]));
            encodeLine(out, line);
        }
    }
    return out;
}

// A sheet coming out of a printer, and what the dialog is about.
QImage waitingPicture()
{
    QImage image(360, 240, QImage::Format_RGB32);
    image.fill(QColor(244, 246, 250));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 80, 96));
    p.drawRoundedRect(QRectF(60, 110, 240, 80), 10, 10);
    p.setBrush(QColor(40, 46, 56));
    p.drawRect(90, 130, 180, 10);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(150, 160, 175), 2));
    p.drawRect(110, 40, 140, 96);
    for (int y = 58; y < 130; y += 12)
        p.drawLine(124, y, 236, y);
    p.setPen(QColor(210, 150, 40));
    p.setBrush(QColor(210, 150, 40));
    p.drawEllipse(QPointF(276, 170), 6, 6);
    p.setPen(QColor(30, 40, 60));
    p.setFont(QFont("DejaVu Sans", 14, QFont::Bold));
    p.drawText(QRect(0, 196, 360, 36), Qt::AlignCenter, "Typestone printer test");
    p.end();
    return image;
}

bool writeFile(const char* path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s VALDOR.PCX RENDERED-TEST-PAGE.png TYPST.TIF\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!writeFile(argv[1], encodePcx(waitingPicture()))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    QImage page(QString::fromLocal8Bit(argv[2]));
    if (page.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    // Grey is enough for the test page and, compressed, keeps the file small.
    QImageWriter writer(QString::fromLocal8Bit(argv[3]), "tiff");
    writer.setCompression(1);
    if (!writer.write(page.convertToFormat(QImage::Format_Grayscale8))) {
        std::fprintf(stderr, "cannot write %s (is the TIFF image plugin installed?)\n", argv[3]);
        return 1;
    }
    return 0;
}
