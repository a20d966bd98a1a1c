#include "typestone/engine/page_action_params.h"

namespace typestone {

bool RecPageParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    uint8_t bytes[PageRange::kSize];
    r.bytes(bytes, sizeof bytes);
    range = PageRange::decode(bytes);
    return r.ok();
}

bool InsertFieldParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    type = r.u16();
    format = r.textToEnd();
    return r.ok();
}

bool PrtRecordParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    separator = r.u8();
    text = r.textToEnd();
    return r.ok();
}

bool PrtFileRecordsParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    flags = r.u16();
    separator = r.u8();
    first = r.u16();
    count = r.u16();
    r.bytes(facts.data(), facts.size());
    name = r.textToEnd();
    return r.ok();
}

} // namespace typestone
