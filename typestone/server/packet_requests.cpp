#include "typestone/server/packet_requests.h"

#include "typestone/server/packet_codes.h"

#include <algorithm>

namespace typestone {
namespace {

void put16(std::vector<uint8_t>& out, size_t at, uint16_t value)
{
    out[at] = uint8_t(value & 0xFF);
    out[at + 1] = uint8_t(value >> 8);
}

void put32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = uint8_t(value >> (8 * i));
}

// Request data of `size` zero bytes under a header of `command`.
PacketBytes request(uint16_t command, size_t size)
{
    PacketBytes out(kPacketHeaderSize + size, 0);
    put16(out, 0, command);
    put16(out, 2, kPacketId);
    put16(out, 4, uint16_t(size));
    return out;
}

// The host word and the name at the start of the data.
void putNamed(PacketBytes& out, uint16_t hostWord, const std::string& name)
{
    put16(out, kPacketHeaderSize, hostWord);
    const size_t n = std::min(name.size(), kHostNameField - 1);
    const size_t end = std::min(name.find('\0'), n);
    std::copy_n(name.begin(), end, out.begin() + long(kPacketHeaderSize + 2));
}

constexpr size_t kAfterName = kPacketHeaderSize + 2 + kHostNameField;

} // namespace

PacketBytes EncodeRead(uint32_t offset, uint32_t count)
{
    auto out = request(CMD_TYP_READ, 8);
    put32(out, kPacketHeaderSize, offset);
    put32(out, kPacketHeaderSize + 4, count);
    return out;
}

PacketBytes EncodeWrite(uint32_t count)
{
    auto out = request(CMD_TYP_WRITE, 4);
    put32(out, kPacketHeaderSize, count);
    return out;
}

PacketBytes EncodeXferNotify(uint16_t code)
{
    auto out = request(CMD_TYP_XFER_NOTIFY, 6);
    put16(out, kPacketHeaderSize, code);
    return out;
}

PacketBytes EncodeFileExist(uint16_t hostWord, const std::string& name, uint32_t localSize,
                            bool compareChecksum)
{
    auto out = request(CMD_TYP_FILEEXIST, 263);
    putNamed(out, hostWord, name);
    put32(out, kAfterName, localSize);
    out[kAfterName + 4] = compareChecksum ? 1 : 0;
    return out;
}

PacketBytes EncodeAppend(uint16_t hostWord, const std::string& name)
{
    auto out = request(CMD_TYP_APPEND, 258);
    putNamed(out, hostWord, name);
    return out;
}

PacketBytes EncodeOpen(uint16_t hostWord, const std::string& name)
{
    auto out = request(CMD_TYP_OPEN, 258);
    putNamed(out, hostWord, name);
    return out;
}

PacketBytes EncodeClose(uint16_t hostWord, const std::string& name, uint32_t date)
{
    auto out = request(CMD_TYP_CLOSE, 262);
    putNamed(out, hostWord, name);
    put32(out, kAfterName, date);
    return out;
}

PacketBytes EncodeCreate(uint16_t hostWord, const std::string& name, uint32_t size)
{
    auto out = request(CMD_TYP_CREATE, 273);
    putNamed(out, hostWord, name);
    put32(out, kAfterName, size);
    put16(out, kAfterName + 8, 0x1080);
    return out;
}

PacketBytes EncodeErase(uint16_t hostWord, const std::string& name)
{
    auto out = request(CMD_TYP_ERASE, 258);
    putNamed(out, hostWord, name);
    return out;
}

PacketBytes EncodePacket(uint16_t command, uint16_t id, const std::vector<uint8_t>& data)
{
    const size_t n = std::min<size_t>(data.size(), 0xFFFF);
    PacketBytes out(kPacketHeaderSize + n, 0);
    put16(out, 0, command);
    put16(out, 2, id);
    put16(out, 4, uint16_t(n));
    std::copy_n(data.begin(), n, out.begin() + long(kPacketHeaderSize));
    return out;
}

} // namespace typestone
