// Turning a CDib's picture by an angle within its own frame.

#include "typestone/engine/dib.h"

#include "typestone/engine/dib_header.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace typestone {

bool CDib::rotate(double degrees)
{
    if (m_buffer == nullptr || m_busy || m_bitsPerPixel < 8)
        return false;
    DibLayout layout;
    if (checkDib(m_buffer, m_length, &layout) != DibCheck::Ok || layout.stride == 0)
        return false; // compressed pictures are not turned
    m_busy = true;

    const int width = layout.width;
    const int rows = layout.height < 0 ? -layout.height : layout.height;
    const std::size_t bytesPerPixel = static_cast<std::size_t>(m_bitsPerPixel / 8);
    const std::size_t pixelBytes = layout.stride * static_cast<std::size_t>(rows);
    unsigned char* pixels = m_buffer + m_pixelOffset;

    // Rows are stored bottom-up (y grows upwards as seen) unless the height is negative, when
    // the turn in stored coordinates runs the other way.
    double radians = -degrees * 6.28318530718 / 360.0;
    if (layout.height < 0)
        radians = -radians;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    // About the picture's centre, in pixel-index coordinates: an odd or even size turns by
    // 180 degrees onto itself.
    const double cx = (width - 1) / 2.0;
    const double cy = (rows - 1) / 2.0;

    std::vector<unsigned char> out;
    std::vector<double> xCos, xSin;
    try {
        out.assign(pixelBytes, 0);
        xCos.resize(static_cast<std::size_t>(width));
        xSin.resize(static_cast<std::size_t>(width));
    } catch (const std::bad_alloc&) {
        m_busy = false;
        return false;
    }
    for (int x = 0; x < width; ++x) {
        xCos[static_cast<std::size_t>(x)] = (x - cx) * c;
        xSin[static_cast<std::size_t>(x)] = (x - cx) * s;
    }
    for (int y = 0; y < rows; ++y) {
        const double dy = y - cy;
        unsigned char* to = out.data() + static_cast<std::size_t>(y) * layout.stride;
        for (int x = 0; x < width; ++x) {
            const double sx = xCos[static_cast<std::size_t>(x)] - dy * s + cx;
            const double sy = xSin[static_cast<std::size_t>(x)] + dy * c + cy;
            const double fx = std::floor(sx + 0.5);
            const double fy = std::floor(sy + 0.5);
            if (fx < 0 || fy < 0 || fx >= width || fy >= rows)
                continue; // stays black
            const unsigned char* from = pixels + static_cast<std::size_t>(fy) * layout.stride +
                                        static_cast<std::size_t>(fx) * bytesPerPixel;
            std::memcpy(to + static_cast<std::size_t>(x) * bytesPerPixel, from, bytesPerPixel);
        }
    }
    std::memcpy(pixels, out.data(), pixelBytes);
    m_busy = false;
    return true;
}

} // namespace typestone
