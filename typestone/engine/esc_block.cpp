#include "typestone/engine/esc_block.h"

namespace typestone {

namespace {

uint16_t word(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void putWord(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

} // namespace

EscHeader EscHeader::decode(const uint8_t* bytes)
{
    EscHeader h;
    h.wHdr = word(bytes);
    h.wVersion = word(bytes + 2);
    h.wCmd = word(bytes + 4);
    h.dwLen = static_cast<uint32_t>(word(bytes + 6)) | (static_cast<uint32_t>(word(bytes + 8)) << 16);
    h.wChk = word(bytes + 10);
    return h;
}

void EscHeader::encode(uint8_t* out) const
{
    putWord(out, wHdr);
    putWord(out + 2, wVersion);
    putWord(out + 4, wCmd);
    putWord(out + 6, static_cast<uint16_t>(dwLen));
    putWord(out + 8, static_cast<uint16_t>(dwLen >> 16));
    putWord(out + 10, wChk);
}

uint16_t EscHeader::xorOfWords(const uint8_t* bytes)
{
    uint16_t x = 0;
    for (size_t i = 0; i < kEscHeaderSize; i += 2)
        x ^= word(bytes + i);
    return x;
}

uint16_t EscHeader::computeChecksum() const
{
    return static_cast<uint16_t>(wHdr ^ wVersion ^ wCmd ^ static_cast<uint16_t>(dwLen) ^
                                 static_cast<uint16_t>(dwLen >> 16));
}

} // namespace typestone
