#include "typestone/server/job_header.h"

#include <cstring>

namespace typestone {
namespace {

constexpr uint8_t kMagic[kJobMagicSize] = {0xFF, 0xFE, 'T', 'y', 'p', 'e', 's', 't', 'o', 'n', 'e'};

uint16_t word(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void copyField(char* out, const uint8_t* in, size_t width)
{
    std::memcpy(out, in, width);
}

} // namespace

INIT_DATA DecodeInitData(const uint8_t* header)
{
    const uint8_t* r = header + kInitDataOffset;
    INIT_DATA d = DefaultInitData();
    copyField(d.printer, r + 0, sizeof d.printer);
    copyField(d.password, r + 255, sizeof d.password);
    d.cols = word(r + 264);
    d.rows = word(r + 266);
    d.options = word(r + 268);
    d.snd_color = r[270];
    copyField(d.docname, r + 271, sizeof d.docname);
    copyField(d.output, r + 527, sizeof d.output);
    return d;
}

uint16_t JobHeaderChecksum(const uint8_t* header)
{
    uint16_t x = 0;
    for (size_t off = 2; off <= 20; off += 2)
        x ^= word(header + off);
    return x;
}

uint16_t JobHeaderVersion(const uint8_t* header)
{
    return word(header + kJobVersionOffset);
}

HeaderVerdict CheckJobHeader(const uint8_t* header, uint16_t* computed)
{
    const uint16_t chk = JobHeaderChecksum(header);
    if (computed)
        *computed = chk;
    if (std::memcmp(header + kJobMagicOffset, kMagic, kJobMagicSize) != 0)
        return HeaderVerdict::BadMagic;
    if (chk != word(header + kJobChecksumOffset))
        return HeaderVerdict::BadChecksum;
    return HeaderVerdict::Ok;
}

std::array<uint8_t, kJobReplySize> EncodeJobReply(uint16_t code, uint16_t dataPort)
{
    return {static_cast<uint8_t>(code & 0xFF), static_cast<uint8_t>(code >> 8),
            static_cast<uint8_t>(dataPort & 0xFF), static_cast<uint8_t>(dataPort >> 8)};
}

} // namespace typestone
