#pragma once
// MulDiv: a * b / c rounded to the nearest (halves away from zero), in 64 bits; 0 when c is 0.

#include <cstdint>

namespace typestone {

inline int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const int64_t p = static_cast<int64_t>(a) * b;
    const int64_t divisor = c < 0 ? -static_cast<int64_t>(c) : c;
    const bool negative = (p < 0) != (c < 0);
    const int64_t mag = ((p < 0 ? -p : p) + divisor / 2) / divisor;
    return static_cast<int>(negative ? -mag : mag);
}

} // namespace typestone
