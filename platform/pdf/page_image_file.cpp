#include "platform/pdf/page_image_file.h"

#include <QImageWriter>

#include <algorithm>
#include <vector>

namespace platform::pdf {

namespace {

constexpr QRgb kColourMask = 0x00FFFFFF;
constexpr size_t kMaxPalette = 256;

// The colours of the page in the order they first appear; more than kMaxPalette stops the
// count (the page then goes as RGB).
std::vector<QRgb> coloursOf(const QImage& image)
{
    std::vector<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb last = colours.empty() ? 0 : colours.back();
        bool haveLast = !colours.empty();
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x] & kColourMask;
            if (haveLast && c == last)
                continue;
            if (std::find(colours.begin(), colours.end(), c) == colours.end()) {
                colours.push_back(c);
                if (colours.size() > kMaxPalette)
                    return colours;
            }
            last = c;
            haveLast = true;
        }
    }
    return colours;
}

QImage asRgb32(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
               ? image
               : image.convertToFormat(QImage::Format_RGB32);
}

uint8_t indexOf(const std::vector<QRgb>& colours, QRgb c)
{
    return static_cast<uint8_t>(std::find(colours.begin(), colours.end(), c) - colours.begin());
}

QImage indexed(const QImage& rgb, std::vector<QRgb> colours, bool mono)
{
    // Keep white as the paper colour (index 0) where there is one: readers show it as such.
    if (auto white = std::find(colours.begin(), colours.end(), kColourMask); white != colours.end())
        std::iter_swap(colours.begin(), white);
    while (mono && colours.size() < 2)
        colours.push_back(0);
    QImage out(rgb.width(), rgb.height(), mono ? QImage::Format_Mono : QImage::Format_Indexed8);
    QList<QRgb> table;
    for (QRgb c : colours)
        table.push_back(c | 0xFF000000u);
    out.setColorTable(table);
    out.setDotsPerMeterX(rgb.dotsPerMeterX());
    out.setDotsPerMeterY(rgb.dotsPerMeterY());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* line = out.scanLine(y);
        if (mono) {
            std::fill(line, line + out.bytesPerLine(), uchar{0});
            const QRgb second = colours[1];
            for (int x = 0; x < rgb.width(); ++x)
                if ((in[x] & kColourMask) == second)
                    line[x >> 3] |= static_cast<uchar>(0x80u >> (x & 7));
        } else {
            QRgb last = colours[0];
            uint8_t lastIndex = 0;
            for (int x = 0; x < rgb.width(); ++x) {
                const QRgb c = in[x] & kColourMask;
                if (c != last) {
                    last = c;
                    lastIndex = indexOf(colours, c);
                }
                line[x] = lastIndex;
            }
        }
    }
    return out;
}

} // namespace

PageImageForm pageImageForm(const QImage& image)
{
    const auto colours = coloursOf(asRgb32(image));
    if (colours.size() <= 2)
        return PageImageForm::Mono;
    return colours.size() <= kMaxPalette ? PageImageForm::Palette : PageImageForm::Rgb;
}

bool writePageImage(const QImage& image, const std::string& path, std::string* error)
{
    if (image.isNull()) {
        *error = "the page image is empty";
        return false;
    }
    const QImage rgb = asRgb32(image);
    const auto colours = coloursOf(rgb);
    QImage out;
    if (colours.size() <= kMaxPalette)
        out = indexed(rgb, colours, colours.size() <= 2);
    else
        out = rgb.convertToFormat(QImage::Format_RGB888);
    QImageWriter writer(QString::fromStdString(path), "png");
    // The file lives only until the document is written, which compresses it again: quick
    // compression is enough.
    writer.setQuality(90);
    if (!writer.write(out)) {
        *error = "cannot write the page image '" + path + "': " + writer.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace platform::pdf
