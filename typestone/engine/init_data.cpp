#include "typestone/engine/init_data.h"

#include <cstring>

namespace typestone {

INIT_DATA DefaultInitData()
{
    INIT_DATA d;
    std::memset(&d, 0, sizeof d);
    d.cols = 80;
    d.rows = 58;
    d.options = 0;
    d.snd_color = 15;
    return d;
}

std::string FieldText(const char* field, size_t width)
{
    if (!field)
        return {};
    const void* nul = std::memchr(field, 0, width);
    const size_t len = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : width;
    return std::string(field, len);
}

} // namespace typestone
