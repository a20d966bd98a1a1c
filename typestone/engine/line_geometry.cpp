#include "typestone/engine/line_geometry.h"

namespace typestone {

void LineGeometry::compute(int W, int H)
{
    if (W < 4 || H < 4) {
        w1 = w2 = 0;
        return;
    }
    const bool heightSmaller = H < W;
    const int m = heightSmaller ? H : W;
    const int M = heightSmaller ? W : H;

    // The single width: odd cells get an odd width, even cells an even one, grown until the
    // stroke is more than a tenth of the space beside it.
    const int half = (m - 1) >> 1;
    int w = m - 2 * half;
    int rest = half;
    while (rest > 0 && w * 100 / (2 * rest) <= 10) {
        w += 2;
        rest = m - 2 * w;
    }
    w1 = w;
    int doubleWidth = (m - w1) >> 1;
    while (doubleWidth > 1)
        --doubleWidth;
    w2 = doubleWidth < 1 ? 1 : doubleWidth;

    const int smallSingle = (m - w1) >> 1;
    const int smallDouble = (m - 2 * w2 - w1) >> 1;
    const int largeSingle = (M - w1) >> 1;
    const int largeDouble = (M - 2 * w2 - w1) >> 1;
    if (heightSmaller) {
        sy = smallSingle;
        dy = smallDouble;
        sx = largeSingle;
        dx = largeDouble;
    } else {
        sx = smallSingle;
        dx = smallDouble;
        sy = largeSingle;
        dy = largeDouble;
    }
}

} // namespace typestone
