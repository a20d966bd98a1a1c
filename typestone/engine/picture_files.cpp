#include "typestone/engine/picture_files.h"

#include "typestone/engine/dib.h"
#include "typestone/engine/pcx_decoder.h"

#include "pixkit/pixkit.h"
#include "platform/fileio/file.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <limits>

namespace typestone {

namespace {

// The picture flattened onto white, as the bytes of a BMP file.
std::optional<ByteVector> toBmpImage(const QImage& picture)
{
    if (picture.isNull())
        return std::nullopt;
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, picture);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !flat.save(&buffer, "BMP"))
        return std::nullopt;
    return ByteVector(bytes.begin(), bytes.end());
}

bool looksLikePcx(const ByteVector& bytes)
{
    return bytes.size() >= 128 && bytes[0] == 0x0A && bytes[1] <= 5 && bytes[2] <= 1;
}

} // namespace

std::optional<ByteVector> readFileBytes(const std::string& path, std::size_t maxBytes)
{
    platform::fileio::File file;
    if (!file.openRead(path) || file.size() > maxBytes)
        return std::nullopt;
    ByteVector bytes(static_cast<std::size_t>(file.size()));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const long long n = file.read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            return std::nullopt;
        got += static_cast<std::size_t>(n);
    }
    return bytes;
}

std::optional<ByteVector> jpegToBmpImage(std::span<const unsigned char> jpeg)
{
    if (jpeg.empty() || jpeg.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    const int length = static_cast<int>(jpeg.size());
    int size = BmpSize(jpeg.data(), 24, length, 0);
    if (size <= 0 || static_cast<std::size_t>(size) > CDib::kMaxBytes)
        return std::nullopt;
    ByteVector image(static_cast<std::size_t>(size));
    if (Jpg2Bmp(nullptr, jpeg.data(), 24, length, nullptr, image.data(), &size) != 0)
        return std::nullopt;
    image.resize(static_cast<std::size_t>(size));
    return image;
}

std::optional<ByteVector> pictureFileToBmpImage(const std::string& path)
{
    const auto bytes = readFileBytes(path, CDib::kMaxBytes);
    if (!bytes)
        return std::nullopt;
    if (looksLikePcx(*bytes))
        return toBmpImage(decodePcx(bytes->data(), bytes->size()));

    QByteArray data(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() &&
        static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height()) >
            kPictureMaxPixels)
        return std::nullopt;
    return toBmpImage(reader.read());
}

} // namespace typestone
