// The JPEG path of the image library: the header read and the decoding into 24- and 8-bit BMP
// images.

#include "tests/fuzz/fuzz_target.h"

#include "pixkit/parse_entry.h"

FUZZ_TARGET(jpeg)
{
    pixkit::parseJpegEntry(data, size);
    return 0;
}
