#include "typestone/server/job_header.h"

#include "platform/bytes/le_reader.h"

#include <cstring>

namespace typestone {
namespace {

constexpr uint8_t kMagic[kJobMagicSize] = {0xFF, 0xFE, 'T', 'y', 'p', 'e', 's', 't', 'o', 'n', 'e'};

} // namespace

INIT_DATA DecodeInitData(const uint8_t* header)
{
    platform::bytes::LeReader r(header, kJobHeaderSize);
    r.seek(kInitDataOffset);
    INIT_DATA d = DefaultInitData();
    r.bytes(d.printer, sizeof d.printer);
    r.bytes(d.password, sizeof d.password);
    d.cols = r.u16();
    d.rows = r.u16();
    d.options = r.u16();
    d.snd_color = r.u8();
    r.bytes(d.docname, sizeof d.docname);
    r.bytes(d.output, sizeof d.output);
    return d;
}

uint16_t JobHeaderChecksum(const uint8_t* header)
{
    platform::bytes::LeReader r(header, kJobHeaderSize);
    r.seek(2);
    uint16_t x = 0;
    for (int i = 0; i < 10; ++i)
        x ^= r.u16();
    return x;
}

uint16_t JobHeaderVersion(const uint8_t* header)
{
    platform::bytes::LeReader r(header, kJobHeaderSize);
    r.seek(kJobVersionOffset);
    return r.u16();
}

HeaderVerdict CheckJobHeader(const uint8_t* header, uint16_t* computed)
{
    const uint16_t chk = JobHeaderChecksum(header);
    if (computed)
        *computed = chk;
    if (std::memcmp(header + kJobMagicOffset, kMagic, kJobMagicSize) != 0)
        return HeaderVerdict::BadMagic;
    platform::bytes::LeReader r(header, kJobHeaderSize);
    r.seek(kJobChecksumOffset);
    if (chk != r.u16())
        return HeaderVerdict::BadChecksum;
    return HeaderVerdict::Ok;
}

std::array<uint8_t, kJobReplySize> EncodeJobReply(uint16_t code, uint16_t dataPort)
{
    return {static_cast<uint8_t>(code & 0xFF), static_cast<uint8_t>(code >> 8),
            static_cast<uint8_t>(dataPort & 0xFF), static_cast<uint8_t>(dataPort >> 8)};
}

} // namespace typestone
