#include "pixkit/parse_entry.h"

#include "pixkit/bmp_format.h"
#include "pixkit/jpeg_convert.h"

#include <new>

namespace pixkit {

int parseBmpEntry(const std::uint8_t* data, std::size_t size)
{
    try {
        const auto layout = inspectBmp(data, size);
        if (!layout)
            return -1;
        if (static_cast<std::uint64_t>(layout->info.width) * layout->absHeight <= kEntryMaxPixels)
            (void)bmpToJpeg(data, size, 75);
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int parseJpegEntry(const std::uint8_t* data, std::size_t size)
{
    try {
        const auto info = readJpegInfo(data, size);
        if (!info || static_cast<std::uint64_t>(info->width) * static_cast<std::uint64_t>(info->height) >
                         kEntryMaxPixels)
            return -1;
        const bool colour = jpegToBmp(data, size, 24).has_value();
        const bool grey = jpegToBmp(data, size, 8).has_value();
        return colour && grey ? 0 : -1;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

} // namespace pixkit
