#pragma once
// The job request a VALDOR host sends first on its control connection, and the server's reply.
//
// JOB_HEADER (807 bytes, little-endian): bytes 2-12 the magic 0xFF 0xFE "Typestone", the
// print-stream version at 18, the checksum at 22 (XOR of the ten words at 2..20) and the job
// record INIT_DATA from 24. The reply is 4 bytes: u16 code, u16 data port.

#include "typestone/engine/init_data.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace typestone {

inline constexpr size_t kJobHeaderSize = 807;
inline constexpr size_t kJobMagicOffset = 2;
inline constexpr size_t kJobMagicSize = 11;
inline constexpr size_t kJobVersionOffset = 18;
inline constexpr size_t kJobChecksumOffset = 22;
inline constexpr size_t kInitDataOffset = 24;

// The job record of a complete header (at least kJobHeaderSize bytes at `header`), read field
// by field from its little-endian bytes.
INIT_DATA DecodeInitData(const uint8_t* header);

enum class HeaderVerdict
{
    Ok,
    BadMagic,
    BadChecksum,
};

// XOR of the ten words at offsets 2..20 of a complete header.
uint16_t JobHeaderChecksum(const uint8_t* header);
uint16_t JobHeaderVersion(const uint8_t* header);
// Checks the magic, then the checksum, of a complete header. `computed` gets the checksum.
HeaderVerdict CheckJobHeader(const uint8_t* header, uint16_t* computed = nullptr);

// Reply codes; after every code but 0 the connection ends.
enum JobReplyCode : uint16_t
{
    kReplyAccepted = 0,
    kReplyNoMemory = 1,
    kReplyReceiveFailed = 2,
    kReplyBadMagic = 3,
    kReplyBadChecksum = 4,
    kReplyDataPortFailed = 5,
    kReplyPrinterFailed = 6,
    kReplyNotShared = 7,
    kReplyBadPassword = 8,
};

inline constexpr size_t kJobReplySize = 4;
std::array<uint8_t, kJobReplySize> EncodeJobReply(uint16_t code, uint16_t dataPort);

} // namespace typestone
