#pragma once
// The job request a VALDOR host sends first on its control connection, and the server's reply.
//
// JOB_HEADER (807 bytes, little-endian): bytes 2-12 the magic 0xFF 0xFE "Typestone", the
// print-stream version at 18, the checksum at 22 (XOR of the ten words at 2..20) and the job
// record INIT_DATA from 24. The reply is 4 bytes: u16 code, u16 data port.

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
inline constexpr size_t kInitDataSize = 783;

// options bit 0: the data goes to the printer as it is ("BYPASS"); clear: interpreted.
inline constexpr uint16_t kOptionBypass = 0x0001;

#pragma pack(push, 1)
struct INIT_DATA
{
    char printer[255];
    char password[9];
    uint16_t cols;
    uint16_t rows;
    uint16_t options;
    uint8_t snd_color;
    char docname[256];
    char output[256];
};
#pragma pack(pop)
static_assert(sizeof(INIT_DATA) == kInitDataSize, "INIT_DATA is 783 bytes");

// All text zero, 80 columns, 58 rows, options 0, colour 15.
INIT_DATA DefaultInitData();

// The job record of a complete header (at least kJobHeaderSize bytes at `header`), read field
// by field from its little-endian bytes.
INIT_DATA DecodeInitData(const uint8_t* header);

// A text field as a string: up to the first NUL, never beyond `width` bytes, so a host that
// fills a field to the last byte cannot make us read past it.
std::string FieldText(const char* field, size_t width);

template <size_t N> std::string FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

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
