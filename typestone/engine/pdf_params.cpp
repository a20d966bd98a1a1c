#include "typestone/engine/pdf_params.h"

namespace typestone {

bool PdfDocumentParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    flags = r.u16();
    r.seek(kNameOffset);
    name = r.textToEnd();
    return r.ok();
}

bool PrtNameParams::decode(const EscBlock& block)
{
    auto r = block.reader();
    r.seek(kNameOffset);
    name = r.textToEnd();
    return r.ok();
}

} // namespace typestone
