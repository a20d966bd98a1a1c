// The BMP reader of the image library: header checks against the real length and, for an
// image they accept, the conversion to JPEG.

#include "tests/fuzz/fuzz_target.h"

#include "pixkit/parse_entry.h"

FUZZ_TARGET(bmp)
{
    pixkit::parseBmpEntry(data, size);
    return 0;
}
