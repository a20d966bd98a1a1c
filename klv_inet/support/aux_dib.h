#pragma once
// A device-independent bitmap over one BMP image in memory (a complete BMP file, as
// JPEG_2_Mem makes it), drawn onto a picture.

#include "klv_inet/support/klv_export.h"

#include <cstddef>
#include <cstdint>

class QImage;

class KLV_EXPORT CAuxDib
{
public:
    CAuxDib() = default;
    ~CAuxDib();
    CAuxDib(const CAuxDib&) = delete;
    CAuxDib& operator=(const CAuxDib&) = delete;

    // Takes the buffer over (freed with free()); 1.
    int Attach(uint8_t* buffer, size_t size);
    // Draws the whole image with its top-left at (x, y); 0 without an image or for one whose
    // headers do not fit its buffer, else 1.
    int Paint(QImage* target, int x, int y) const;
    // Draws it stretched into the rectangle; 1 on success.
    int Stretch(QImage* target, int x, int y, int width, int height) const;

    int Width() const;
    int Height() const;
    int BitsPerPixel() const { return m_bits; }

private:
    bool toImage(QImage* out) const;

    uint8_t* m_buffer = nullptr;
    size_t m_size = 0;
    uint16_t m_bits = 0;
};
