// The PCX decoder of the image window. Property: a picture that decodes has the size its
// header gives and no more pixels than the bounds allow.

#include "tests/fuzz/fuzz_target.h"

#include "typestone/engine/pcx_decoder.h"

#include <QImage>

FUZZ_TARGET(pcx)
{
    const QImage image = typestone::decodePcx(data, size);
    if (!image.isNull())
        FUZZ_CHECK(image.width() > 0 && image.height() > 0);
    return 0;
}
