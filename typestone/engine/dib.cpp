#include "typestone/engine/dib.h"

#include "typestone/engine/dib_header.h"

#include "platform/draw/dc.h"
#include "platform/fileio/file.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QIODevice>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace typestone {

namespace {

constexpr const char* kNoMemory = "Insuficiente memoria para el DIB";
constexpr const char* kReadError = "Error al leer el fichero .bmp";
constexpr const char* kNotBm = "Tipo del fichero no válido. Debe ser BM";
constexpr const char* kBadArchive = "Fichero DIB no válido";

void showBox(const char* text)
{
    platform::ui::MessageBoxRequest box;
    box.text = text;
    box.caption = "Typestone";
    box.style = platform::ui::kMbOk;
    // A job never waits on a person for long.
    box.timeoutMs = 30000;
    platform::ui::bridge().messageBox(box);
}

// A zero-filled buffer of `length` bytes, or null after the box about memory.
unsigned char* allocate(std::size_t length)
{
    auto* p = static_cast<unsigned char*>(std::calloc(length == 0 ? 1 : length, 1));
    if (p == nullptr)
        showBox(kNoMemory);
    return p;
}

} // namespace

CDib::~CDib()
{
    clear();
}

void CDib::clear()
{
    std::free(m_buffer);
    m_buffer = nullptr;
    m_length = 0;
    m_bitsPerPixel = 0;
    m_pixelOffset = 0;
}

void CDib::adopt(unsigned char* buffer, std::size_t length)
{
    DibLayout layout;
    checkDib(buffer, length, &layout);
    m_buffer = buffer;
    m_length = length;
    m_bitsPerPixel = layout.bitCount;
    m_pixelOffset = layout.pixelOffset;
}

bool CDib::loadFile(const std::string& path)
{
    platform::fileio::File file;
    if (!file.openRead(path)) {
        clear();
        showBox(kReadError);
        return false;
    }
    return loadFile(file);
}

bool CDib::loadFile(platform::fileio::File& file)
{
    clear();
    const std::uint64_t size = file.size();
    if (!file.isOpen() || size < 2 || size > kMaxBytes) {
        showBox(kReadError);
        return false;
    }
    const auto length = static_cast<std::size_t>(size);
    unsigned char* buffer = allocate(length);
    if (buffer == nullptr)
        return false;
    std::size_t got = 0;
    while (got < length) {
        const long long n = file.read(buffer + got, length - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    const DibCheck check = got == length ? checkDib(buffer, length) : DibCheck::Short;
    if (check != DibCheck::Ok) {
        std::free(buffer);
        showBox(check == DibCheck::NotBmp ? kNotBm : kReadError);
        return false;
    }
    adopt(buffer, length);
    return true;
}

bool CDib::loadMemory(const unsigned char* bytes, std::size_t length)
{
    clear();
    if (length > kMaxBytes || checkDib(bytes, length) != DibCheck::Ok)
        return false;
    unsigned char* buffer = allocate(length);
    if (buffer == nullptr)
        return false;
    std::memcpy(buffer, bytes, length);
    adopt(buffer, length);
    return true;
}

bool CDib::Serialize(QDataStream& archive, bool storing)
{
    archive.setByteOrder(QDataStream::LittleEndian);
    if (storing) {
        archive << quint16(kArchiveTag) << quint32(m_length);
        if (m_length > 0 && archive.writeRawData(reinterpret_cast<const char*>(m_buffer),
                                                 static_cast<int>(m_length)) != static_cast<int>(m_length))
            return false;
        return archive.status() == QDataStream::Ok;
    }

    clear();
    quint16 tag = 0;
    quint32 length = 0;
    archive >> tag >> length;
    if (archive.status() != QDataStream::Ok)
        return false;
    if (length == 0)
        return true;
    if (tag != kArchiveTag) {
        showBox(kBadArchive);
        return false;
    }
    // The length comes from the stream: it may claim no more than the stream can still give.
    QIODevice* device = archive.device();
    if (length > kMaxBytes || (device != nullptr && !device->isSequential() &&
                               length > static_cast<quint64>(device->bytesAvailable())))
        return false;
    unsigned char* buffer = allocate(length);
    if (buffer == nullptr)
        return false;
    if (archive.readRawData(reinterpret_cast<char*>(buffer), static_cast<int>(length)) !=
            static_cast<int>(length) ||
        checkDib(buffer, length) != DibCheck::Ok) {
        std::free(buffer);
        return false;
    }
    adopt(buffer, length);
    return true;
}

QImage CDib::toImage() const
{
    if (m_buffer == nullptr)
        return QImage();
    QImage image;
    image.loadFromData(m_buffer, static_cast<int>(m_length), "BMP");
    return image;
}

bool CDib::draw(platform::draw::Dc& dc, int x, int y) const
{
    int w = 0, h = 0;
    if (!width(w) || !height(h))
        return false;
    return stretch(dc, x, y, w, h);
}

bool CDib::stretch(platform::draw::Dc& dc, int x, int y, int width, int height) const
{
    if (width <= 0 || height <= 0)
        return false;
    const QImage image = toImage();
    if (image.isNull())
        return false;
    dc.drawImage({x, y, x + width, y + height}, image);
    return true;
}

bool CDib::width(int& value) const
{
    if (m_buffer == nullptr)
        return false;
    DibLayout layout;
    checkDib(m_buffer, m_length, &layout);
    value = layout.width;
    return true;
}

bool CDib::height(int& value) const
{
    if (m_buffer == nullptr)
        return false;
    DibLayout layout;
    checkDib(m_buffer, m_length, &layout);
    value = layout.height < 0 ? -layout.height : layout.height;
    return true;
}

} // namespace typestone
