#pragma once
// The parameter blocks of the PDF output commands.

#include "typestone/engine/esc_block.h"

#include <cstdint>
#include <string>

namespace typestone {

// PDFDocument (41): u16 flags at 0, the zero-terminated file name from 20.
struct PdfDocumentParams
{
    static constexpr uint32_t kMinLen = 24;
    static constexpr size_t kNameOffset = 20;
    uint16_t flags = 0;
    std::string name;

    bool decode(const EscBlock& block);
};

// PrtDocname (42) and PrtOutput (43): the zero-terminated name from 2.
struct PrtNameParams
{
    static constexpr uint32_t kMinLen = 6;
    static constexpr size_t kNameOffset = 2;
    std::string name;

    bool decode(const EscBlock& block);
};

} // namespace typestone
