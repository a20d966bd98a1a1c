#include "typestone/server/packet_codes.h"

#include "platform/text/sprintf.h"

namespace typestone {
namespace {

struct CommandName
{
    uint16_t code;
    const char* name;
};

constexpr CommandName kNames[] = {
    {1, "WHO"},
    {101, "START"},
    {102, "STOP"},
    {103, "WHERE"},
    {104, "CONNECT"},
    {105, "LIGHT"},
    {111, "SC_READ"},
    {112, "SC_WRITE"},
    {108, "SC_OPEN"},
    {109, "SC_CLOSE"},
    {110, "SC_LOCATE"},
    {113, "SC_CREATE"},
    {400, "CREATE"},
    {401, "OPEN"},
    {402, "READ"},
    {403, "WRITE"},
    {404, "CLOSE"},
    {405, "FIND"},
    {406, "FIND_NEXT"},
    {407, "SIZE"},
    {409, "READBLOCK"},
    {410, "WRITEBLOCK"},
    {411, "DIR_READ"},
    {412, "ERASE"},
    {413, "SESSIONLIST"},
    {500, "NEWSTART"},
    {501, "TCP_READ"},
    {502, "TCP_WRITE"},
    {503, "TCP_XFER_NOTIFY"},
    {504, "FILEEXIST"},
    {505, "APPEND"},
    {506, "RECONNECT"},
    {801, "CMD_TYP_READ"},
    {802, "CMD_TYP_WRITE"},
    {803, "CMD_TYP_XFER_NOTIFY"},
    {804, "CMD_TYP_FILEEXIST"},
    {805, "CMD_TYP_APPEND"},
    {806, "CMD_TYP_OPEN"},
    {807, "CMD_TYP_CLOSE"},
    {808, "CMD_TYP_CREATE"},
    {809, "CMD_TYP_ERASE"},
};

} // namespace

const char* PacketCommandName(uint16_t command)
{
    for (const auto& entry : kNames)
        if (entry.code == command)
            return entry.name;
    return "Unknown";
}

std::string DescribePacket(uint16_t command)
{
    return platform::text::sprintf("Packet #%u(0x%02x)-", unsigned(command), unsigned(command)) +
           PacketCommandName(command);
}

} // namespace typestone
