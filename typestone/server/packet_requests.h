#pragma once
// The nine requests of the host file link, each as the bytes that go on the wire: the 6-byte
// header and the zero-filled request data. Names longer than the 256-byte field are cut so
// that the field always keeps its terminator.

#include <cstdint>
#include <string>
#include <vector>

namespace typestone {

using PacketBytes = std::vector<uint8_t>;

PacketBytes EncodeRead(uint32_t offset, uint32_t count); // 801, 8 data bytes
PacketBytes EncodeWrite(uint32_t count);                 // 802, 4
PacketBytes EncodeXferNotify(uint16_t code);             // 803, 6
PacketBytes EncodeFileExist(uint16_t hostWord, const std::string& name, uint32_t localSize,
                            bool compareChecksum);                                   // 804, 263
PacketBytes EncodeAppend(uint16_t hostWord, const std::string& name);                // 805, 258
PacketBytes EncodeOpen(uint16_t hostWord, const std::string& name);                  // 806, 258
PacketBytes EncodeClose(uint16_t hostWord, const std::string& name, uint32_t date);  // 807, 262
PacketBytes EncodeCreate(uint16_t hostWord, const std::string& name, uint32_t size); // 808, 273
PacketBytes EncodeErase(uint16_t hostWord, const std::string& name);                 // 809, 258

// A whole packet of `command` with `data` (the fake host's answers use it too); data longer
// than 65535 bytes is cut.
PacketBytes EncodePacket(uint16_t command, uint16_t id, const std::vector<uint8_t>& data);

} // namespace typestone
