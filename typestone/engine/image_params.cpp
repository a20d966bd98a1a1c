#include "typestone/engine/image_params.h"

#include "platform/text/sprintf.h"

namespace typestone {

bool PrtImageParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    options = r.u16();
    r.bytes(facts.data(), facts.size());
    name = r.textToEnd();
    return r.ok();
}

std::string PrtImageParams::describe() const
{
    return platform::text::sprintf("options=0x%04x, file='%s'", unsigned{options}, name);
}

bool QRCodeParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    fileName = r.text(256);
    flags = r.u16();
    blue = r.u8();
    green = r.u8();
    red = r.u8();
    r.skip(5);
    moduleSize = r.u16();
    r.skip(2);
    text = r.textToEnd();
    return r.ok();
}

std::string QRCodeParams::describe() const
{
    return platform::text::sprintf("file='%s', flags=0x%04x, colour=0x%06x, module=%u, text='%s'", fileName,
                                   unsigned{flags}, colorRef(), unsigned{moduleSize}, text);
}

} // namespace typestone
