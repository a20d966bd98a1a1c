#include "typestone/engine/area_params.h"

#include "platform/text/sprintf.h"

namespace typestone {

bool PrtSelectAreaParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    window = r.u16();
    r.skip(2);
    mode = r.i32();
    return r.ok();
}

std::string PrtSelectAreaParams::describe() const
{
    const unsigned win = window;
    return platform::text::sprintf("win=%u (0x%08x), mode=%d (0x%08x)", win, win, mode,
                                   static_cast<unsigned>(mode));
}

} // namespace typestone
