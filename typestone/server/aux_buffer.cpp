#include "typestone/server/aux_buffer.h"

#include <cstdlib>
#include <cstring>

namespace typestone {

bool EnsureBuffer(uint8_t** buffer, size_t* size, size_t* used, size_t need)
{
    if (!buffer)
        return false;
    if (need == 0 || !size || *size < need) {
        std::free(*buffer);
        *buffer = nullptr;
        if (size)
            *size = 0;
    }
    if (used)
        *used = 0;
    if (!*buffer && need != 0) {
        *buffer = static_cast<uint8_t*>(std::calloc(need, 1));
        if (!*buffer)
            return false;
        if (size)
            *size = need;
    }
    return true;
}

void FreeBuffer(uint8_t** buffer, size_t* size, size_t* used)
{
    EnsureBuffer(buffer, size, used, 0);
}

uint8_t* GrowBuffer(uint8_t** buffer, size_t* size, size_t need)
{
    if (!buffer || !size)
        return nullptr;
    if (*size >= need && (*buffer || need == 0))
        return *buffer;
    auto* grown = static_cast<uint8_t*>(std::calloc(need, 1));
    if (!grown)
        return *buffer;
    if (*buffer)
        std::memcpy(grown, *buffer, *size);
    std::free(*buffer);
    *buffer = grown;
    *size = need;
    return grown;
}

} // namespace typestone
