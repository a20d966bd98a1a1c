#include "pixkit/jpeg_codec.h"

#include <turbojpeg.h>

#include <limits>
#include <memory>

namespace pixkit {

namespace {

struct HandleCloser
{
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct JpegFreer
{
    void operator()(unsigned char* p) const { tjFree(p); }
};

bool fitsLength(std::size_t length)
{
    return length > 0 && length <= std::numeric_limits<unsigned long>::max();
}

bool fitsPitch(std::size_t stride)
{
    return stride <= static_cast<std::size_t>(std::numeric_limits<int>::max());
}

} // namespace

std::optional<JpegInfo> readJpegInfo(const unsigned char* jpeg, std::size_t length)
{
    if (jpeg == nullptr || !fitsLength(length))
        return std::nullopt;
    Handle handle(tjInitDecompress());
    if (!handle)
        return std::nullopt;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), jpeg, static_cast<unsigned long>(length), &width, &height,
                            &subsampling, &colorspace) != 0)
        return std::nullopt;
    if (width <= 0 || height <= 0)
        return std::nullopt;
    return JpegInfo{width, height};
}

bool decodeJpeg(const unsigned char* jpeg, std::size_t length, const RowLayout& rows, unsigned char* pixels)
{
    if (jpeg == nullptr || pixels == nullptr || !fitsLength(length) || !fitsPitch(rows.stride))
        return false;
    Handle handle(tjInitDecompress());
    if (!handle)
        return false;
    const int format = rows.channels == 1 ? TJPF_GRAY : TJPF_BGR;
    // A progressive stream with an absurd number of scans is refused rather than decoded for
    // minutes.
    int flags = TJFLAG_LIMITSCANS;
    if (rows.bottomUp)
        flags |= TJFLAG_BOTTOMUP;
    if (tjDecompress2(handle.get(), jpeg, static_cast<unsigned long>(length), pixels, rows.width,
                      static_cast<int>(rows.stride), rows.height, format, flags) == 0)
        return true;
    return tjGetErrorCode(handle.get()) == TJERR_WARNING;
}

std::optional<std::vector<unsigned char>> encodeJpeg(const unsigned char* pixels, const RowLayout& rows,
                                                     int quality)
{
    if (pixels == nullptr || rows.width <= 0 || rows.height <= 0 || quality < 1 || quality > 100)
        return std::nullopt;
    // Grey rows become blue-green-red rows of the same grey, so that the JPEG has the three
    // channels of a colour picture whatever the source.
    std::vector<unsigned char> expanded;
    const unsigned char* source = pixels;
    std::size_t stride = rows.stride;
    if (rows.channels == 1) {
        stride = static_cast<std::size_t>(rows.width) * 3;
        expanded.resize(stride * static_cast<std::size_t>(rows.height));
        for (int y = 0; y < rows.height; ++y) {
            const unsigned char* from = pixels + static_cast<std::size_t>(y) * rows.stride;
            unsigned char* to = expanded.data() + static_cast<std::size_t>(y) * stride;
            for (int x = 0; x < rows.width; ++x)
                to[3 * x] = to[3 * x + 1] = to[3 * x + 2] = from[x];
        }
        source = expanded.data();
    }
    if (!fitsPitch(stride))
        return std::nullopt;
    Handle handle(tjInitCompress());
    if (!handle)
        return std::nullopt;
    unsigned char* out = nullptr;
    unsigned long outLength = 0;
    const int flags = rows.bottomUp ? TJFLAG_BOTTOMUP : 0;
    const int rc = tjCompress2(handle.get(), source, rows.width, static_cast<int>(stride), rows.height,
                               TJPF_BGR, &out, &outLength, TJSAMP_420, quality, flags);
    std::unique_ptr<unsigned char, JpegFreer> owned(out);
    if (rc != 0 || out == nullptr)
        return std::nullopt;
    return std::vector<unsigned char>(out, out + outLength);
}

} // namespace pixkit
