#include "typestone/engine/file_params.h"

namespace typestone {

bool PrintFileParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    flags = r.u16();
    first = r.u16();
    count = r.u16();
    r.bytes(facts, sizeof facts);
    name = r.textToEnd();
    return r.ok();
}

} // namespace typestone
