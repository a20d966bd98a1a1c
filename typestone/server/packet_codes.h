#pragma once
// The host file packets: a 6-byte little-endian header {command, id, data length} and the
// data. The server's requests all carry the id 1995; the host answers with the same command
// and id.

#include <cstddef>
#include <cstdint>
#include <string>

namespace typestone {

inline constexpr uint16_t kPacketId = 1995;
inline constexpr size_t kPacketHeaderSize = 6;
// Host file names travel in a zero-padded field of 256 bytes, terminator included.
inline constexpr size_t kHostNameField = 256;

inline constexpr uint16_t CMD_TYP_READ = 801;
inline constexpr uint16_t CMD_TYP_WRITE = 802;
inline constexpr uint16_t CMD_TYP_XFER_NOTIFY = 803;
inline constexpr uint16_t CMD_TYP_FILEEXIST = 804;
inline constexpr uint16_t CMD_TYP_APPEND = 805;
inline constexpr uint16_t CMD_TYP_OPEN = 806;
inline constexpr uint16_t CMD_TYP_CLOSE = 807;
inline constexpr uint16_t CMD_TYP_CREATE = 808;
inline constexpr uint16_t CMD_TYP_ERASE = 809;

// Sizes of the answers' data.
inline constexpr size_t kReadAnswerSize = 6;
inline constexpr size_t kResultAnswerSize = 2;
inline constexpr size_t kFileStatusSize = 17;
inline constexpr size_t kFileExistAnswerSize = 19;

// The host's file type of a sequential file, the only kind that is transferred.
inline constexpr uint8_t kSequentialFile = 16;

// The name of a packet command ("CMD_TYP_READ"), "Unknown" for a code the protocol lacks.
const char* PacketCommandName(uint16_t command);
// "Packet #801(0x321)-CMD_TYP_READ".
std::string DescribePacket(uint16_t command);

} // namespace typestone
