#pragma once
// CDib: one picture held as a whole BMP file in memory, for the image window. It loads .bmp
// files and BMP images from memory (every header size checked against the bytes there),
// draws and stretches the picture on a Dc, turns it by an angle, and is written to and read
// from an archive (a QDataStream).

#include <QDataStream>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::draw {
class Dc;
}
namespace platform::fileio {
class File;
}

namespace typestone {

class CDib
{
public:
    // The tag in front of a stored picture.
    static constexpr std::uint16_t kArchiveTag = 29807;
    // The largest picture held, in bytes: an A4 page at 600 dpi in 24 bits and more.
    static constexpr std::size_t kMaxBytes = 256u * 1024u * 1024u;

    CDib() = default;
    ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // From a .bmp file. A file that cannot be read, or whose headers do not fit its length,
    // shows "Error al leer el fichero .bmp"; one that does not start with "BM" shows "Tipo del
    // fichero no válido. Debe ser BM". Any earlier picture is gone either way.
    bool loadFile(const std::string& path);
    // The same from an open file, read from its start.
    bool loadFile(platform::fileio::File& file);
    // A copy of `length` bytes of a BMP file image; false without a message when they are not
    // a well-formed BMP image (the earlier picture is gone then too).
    bool loadMemory(const unsigned char* bytes, std::size_t length);

    // Stores (the tag, the 32-bit length, the bytes) or loads. Loading a length of 0 leaves
    // the object empty; a wrong tag shows "Fichero DIB no válido" and empties it; a length
    // beyond the stream or kMaxBytes, or bytes that are not a BMP image, empty it too. False
    // when the stream fails or the data is refused.
    bool Serialize(QDataStream& archive, bool storing);

    // The whole picture at (x, y) in its own size, or stretched into width x height.
    bool draw(platform::draw::Dc& dc, int x, int y) const;
    bool stretch(platform::draw::Dc& dc, int x, int y, int width, int height) const;

    // Turns the picture by `degrees` (counter-clockwise as seen) about its centre, keeping
    // its size: what leaves the frame is lost, what enters it is black. Only pictures of 8 or
    // more bits per pixel; false otherwise (unchanged).
    bool rotate(double degrees);

    // False without a picture.
    bool width(int& value) const;
    bool height(int& value) const;

    bool isEmpty() const { return m_buffer == nullptr; }
    int bitsPerPixel() const { return m_bitsPerPixel; }
    const unsigned char* buffer() const { return m_buffer; }
    std::size_t length() const { return m_length; }
    // The picture as a QImage (null without one).
    QImage toImage() const;

private:
    void clear();
    // Takes over a malloc'ed buffer of a checked BMP image.
    void adopt(unsigned char* buffer, std::size_t length);

    unsigned char* m_buffer = nullptr; // the whole BMP file image, malloc'ed
    std::size_t m_length = 0;
    int m_bitsPerPixel = 0;
    std::size_t m_pixelOffset = 0; // bfOffBits
    bool m_busy = false;           // set while a rotation runs
};

} // namespace typestone
