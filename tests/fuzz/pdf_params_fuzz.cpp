// The parameter blocks of the PDF output commands (PDFDocument, PrtDocname, PrtOutput), padded
// with zeros to their minimum size as the interpreter hands them over. Properties: the flags are
// the first two bytes; a name is the bytes from its offset up to the first NUL, never past the
// block, and holds no NUL.

#include "tests/fuzz/fuzz_target.h"

#include "typestone/engine/pdf_params.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace typestone;

namespace {

// The block as a handler sees it: at least `minLen` bytes and one zero after them.
std::vector<uint8_t> padded(const uint8_t* data, size_t size, uint32_t minLen)
{
    std::vector<uint8_t> bytes(data, data + size);
    bytes.resize(std::max<size_t>(size, minLen) + 1, 0);
    return bytes;
}

std::string expectedName(const std::vector<uint8_t>& bytes, size_t offset)
{
    std::string name;
    for (size_t i = offset; i + 1 < bytes.size() && bytes[i] != 0; ++i)
        name += static_cast<char>(bytes[i]);
    return name;
}

EscBlock blockOver(const std::vector<uint8_t>& bytes, size_t size)
{
    EscBlock block;
    block.data = bytes.data();
    block.length = static_cast<uint32_t>(size);
    block.readable = static_cast<uint32_t>(bytes.size());
    return block;
}

} // namespace

FUZZ_TARGET(pdf_params)
{
    if (size > (1u << 20))
        return 0;
    {
        const std::vector<uint8_t> bytes = padded(data, size, PdfDocumentParams::kMinLen);
        PdfDocumentParams p;
        FUZZ_CHECK(p.decode(blockOver(bytes, size)));
        FUZZ_CHECK(p.flags == static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
        FUZZ_CHECK(p.name == expectedName(bytes, PdfDocumentParams::kNameOffset));
        FUZZ_CHECK(p.name.find('\0') == std::string::npos);
    }
    {
        const std::vector<uint8_t> bytes = padded(data, size, PrtNameParams::kMinLen);
        PrtNameParams p;
        FUZZ_CHECK(p.decode(blockOver(bytes, size)));
        FUZZ_CHECK(p.name == expectedName(bytes, PrtNameParams::kNameOffset));
        FUZZ_CHECK(p.name.size() < bytes.size());
    }
    return 0;
}
