#include "platform/pdf/page_image_file.h"

#include <QImageWriter>

#include <algorithm>
#include <array>
#include <optional>

namespace platform::pdf {

namespace {

constexpr QRgb kColourMask = 0x00FFFFFF;
constexpr int kMaxPalette = 256;

// The colours of a page as they first appear, each with its index, found through a small
// open-addressed table (a page is one pass over tens of millions of pixels).
class Palette
{
public:
    // The colour's index; -1 once the page has more than kMaxPalette colours.
    int indexOf(QRgb colour)
    {
        size_t slot = (colour * 2654435761u) >> (32 - kBits);
        for (;;) {
            if (!m_used[slot]) {
                if (static_cast<int>(m_colours.size()) == kMaxPalette)
                    return -1;
                m_used[slot] = true;
                m_keys[slot] = colour;
                m_values[slot] = static_cast<uint8_t>(m_colours.size());
                m_colours.push_back(colour | 0xFF000000u);
                return m_values[slot];
            }
            if (m_keys[slot] == colour)
                return m_values[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
    }
    const QList<QRgb>& colours() const { return m_colours; }

private:
    static constexpr int kBits = 10;
    static constexpr size_t kSlots = size_t{1} << kBits;
    std::array<QRgb, kSlots> m_keys{};
    std::array<uint8_t, kSlots> m_values{};
    std::array<bool, kSlots> m_used{};
    QList<QRgb> m_colours;
};

QImage asRgb32(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
               ? image
               : image.convertToFormat(QImage::Format_RGB32);
}

// The page as palette indexes; nullopt when it has more colours than a palette holds.
std::optional<QImage> indexed(const QImage& rgb)
{
    const int width = rgb.width();
    const int height = rgb.height();
    QImage out(width, height, QImage::Format_Indexed8);
    if (out.isNull())
        return std::nullopt;
    Palette palette;
    QRgb last = 0;
    int lastIndex = -1;
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* line = out.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = in[x] & kColourMask;
            if (c != last || lastIndex < 0) {
                lastIndex = palette.indexOf(c);
                if (lastIndex < 0)
                    return std::nullopt;
                last = c;
            }
            line[x] = static_cast<uchar>(lastIndex);
        }
    }
    out.setColorTable(palette.colours());
    out.setDotsPerMeterX(rgb.dotsPerMeterX());
    out.setDotsPerMeterY(rgb.dotsPerMeterY());
    return out;
}

// A page of one or two colours at one bit per pixel.
QImage mono(const QImage& indexes)
{
    const int width = indexes.width();
    const int height = indexes.height();
    QImage out(width, height, QImage::Format_Mono);
    QList<QRgb> table = indexes.colorTable();
    while (table.size() < 2)
        table.push_back(0xFF000000u);
    out.setColorTable(table);
    out.setDotsPerMeterX(indexes.dotsPerMeterX());
    out.setDotsPerMeterY(indexes.dotsPerMeterY());
    for (int y = 0; y < height; ++y) {
        const uchar* in = indexes.constScanLine(y);
        uchar* line = out.scanLine(y);
        std::fill(line, line + out.bytesPerLine(), uchar{0});
        for (int x = 0; x < width; ++x)
            if (in[x] != 0)
                line[x >> 3] |= static_cast<uchar>(0x80u >> (x & 7));
    }
    return out;
}

} // namespace

PageImageForm pageImageForm(const QImage& image)
{
    const std::optional<QImage> indexes = indexed(asRgb32(image));
    if (!indexes)
        return PageImageForm::Rgb;
    return indexes->colorCount() <= 2 ? PageImageForm::Mono : PageImageForm::Palette;
}

bool writePageImage(const QImage& image, const std::string& path, std::string* error)
{
    if (image.isNull()) {
        *error = "the page image is empty";
        return false;
    }
    const QImage rgb = asRgb32(image);
    QImage out;
    if (std::optional<QImage> indexes = indexed(rgb))
        out = indexes->colorCount() <= 2 ? mono(*indexes) : std::move(*indexes);
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
