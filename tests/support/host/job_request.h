#pragma once
// The job request a VALDOR host sends first on its control connection: an 807-byte
// little-endian header that carries the 783-byte job record.
//
// Header: bytes 0-1 unused; 2-12 the magic 0xFF 0xFE "Typestone"; 13-17 unused; u16 version
// at 18; 20-21 unused; u16 checksum at 22 (XOR of the ten words at 2, 4, ..., 20); the job
// record from 24. Job record: printer char[255], password char[9], u16 cols, u16 rows,
// u16 options (bit 0: raw pass-through), u8 colour, docname char[256], output char[256].

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace valdor {

inline constexpr size_t kHeaderSize = 807;
inline constexpr size_t kMagicOffset = 2;
inline constexpr size_t kMagicSize = 11;
inline constexpr size_t kVersionOffset = 18;
inline constexpr size_t kChecksumOffset = 22;
inline constexpr size_t kJobRecordOffset = 24;
inline constexpr size_t kJobRecordSize = 783;

// Offsets inside the job record.
inline constexpr size_t kPrinterOffset = 0;
inline constexpr size_t kPrinterSize = 255;
inline constexpr size_t kPasswordOffset = 255;
inline constexpr size_t kPasswordSize = 9;
inline constexpr size_t kColsOffset = 264;
inline constexpr size_t kRowsOffset = 266;
inline constexpr size_t kOptionsOffset = 268;
inline constexpr size_t kColourOffset = 270;
inline constexpr size_t kDocNameOffset = 271;
inline constexpr size_t kDocNameSize = 256;
inline constexpr size_t kOutputOffset = 527;
inline constexpr size_t kOutputSize = 256;

inline constexpr uint16_t kOptionRaw = 0x0001; // print the data as it is, no interpreter

// The server's one reply on the control connection: u16 code, u16 data port.
inline constexpr size_t kReplySize = 4;
enum ReplyCode : uint16_t
{
    ReplyAccepted = 0,
    ReplyNoMemory = 1,
    ReplyReceiveFailed = 2,
    ReplyBadMagic = 3,
    ReplyBadChecksum = 4,
    ReplyDataPortFailed = 5,
    ReplyPrinterFailed = 6,
    ReplyNotShared = 7,
    ReplyWrongPassword = 8,
};

struct JobRequest
{
    std::string printer;
    std::string password;
    uint16_t cols = 80;
    uint16_t rows = 58;
    uint16_t options = 0;
    uint8_t colour = 15;
    std::string docName;
    std::string output;
    uint16_t version = 100; // print-stream version in hundredths (1.00)
};

// The header for `request`, checksum filled in. Text fields are cut to their width less one
// and NUL-filled, so every field is terminated within its bytes. Tests may change bytes of the
// result to make bad headers (and call fixChecksum to make only the magic wrong, say).
std::vector<uint8_t> buildHeader(const JobRequest& request);

// XOR of the ten little-endian words at offsets 2..20; 0 when `header` is shorter than 22.
uint16_t headerChecksum(const std::vector<uint8_t>& header);
// Stores headerChecksum at offset 22 (does nothing to a header shorter than 24 bytes).
void fixChecksum(std::vector<uint8_t>& header);

// Names of the text fields of `request` that buildHeader has to cut ("printer", ...).
std::vector<std::string> cutFields(const JobRequest& request);

// A readable name for a reply code ("accepted", "wrong password", ...).
const char* replyCodeText(uint16_t code);

} // namespace valdor
