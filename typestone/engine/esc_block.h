#pragma once
// The escape block of the print stream: a 12-byte little-endian header
// {0xFDFD, version in hundredths, command, 32-bit parameter length, checksum} and its
// parameter bytes. The checksum is the XOR of the five words before it, so the XOR of all six
// words of a sound header is 0.

#include "platform/bytes/le_reader.h"

#include <cstddef>
#include <cstdint>

namespace typestone {

inline constexpr uint8_t kEscMagicByte = 0xFD;
inline constexpr uint16_t kEscMagic = 0xFDFD;
inline constexpr size_t kEscHeaderSize = 12;
// The command version this interpreter understands (1.00).
inline constexpr uint16_t kEscSupportedVersion = 100;
inline constexpr uint16_t kEscCommandSlots = 44;
// No command needs more parameter bytes than this; a larger length is a broken header
// (a stray 0xFD 0xFD in text that happened to pass the checksum would otherwise make us wait
// for gigabytes). The largest block is an inline picture: an A4 page at 600 dpi in 24 bits is
// about 100 MB, so the bound leaves room for it. The parameters are held only as they arrive.
inline constexpr uint32_t kEscMaxParamLen = 256u * 1024u * 1024u;

struct EscHeader
{
    uint16_t wHdr = kEscMagic;
    uint16_t wVersion = 0;
    uint16_t wCmd = 0;
    uint32_t dwLen = 0;
    uint16_t wChk = 0;

    // Reads the 12 bytes at `bytes`.
    static EscHeader decode(const uint8_t* bytes);
    // Writes the 12 bytes to `out`.
    void encode(uint8_t* out) const;
    // XOR of the six words as stored in `bytes` (0 for a sound header).
    static uint16_t xorOfWords(const uint8_t* bytes);
    // The checksum the header should carry.
    uint16_t computeChecksum() const;
};

// A complete block as a handler sees it: `data` holds at least the command's minimum size
// plus one terminating zero (bytes past `length` are zero), so a short block reads as zeros.
struct EscBlock
{
    EscHeader header;
    const uint8_t* data = nullptr;
    uint32_t length = 0;   // bytes the host sent
    uint32_t readable = 0; // bytes that may be read at `data` (>= minimum + 1)

    // A reader over the padded block (the terminating zero left out).
    platform::bytes::LeReader reader() const { return {data, readable > 0 ? readable - 1u : 0u}; }
};

} // namespace typestone
