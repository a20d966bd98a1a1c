// The owners of UDP sockets from the kernel's tables: the parser on the kernel's own line
// format, the match of a sender against the entries, and the real tables.

#include "platform/net/udp.h"
#include "platform/net/udp_owner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace {

using namespace platform::net;

// An entry as the parser gives it for an IPv4 address in dotted form.
UdpTableEntry v4(const char* dotted, uint16_t port, uint32_t uid)
{
    UdpTableEntry e;
    const uint32_t a = *parseIpv4(dotted);
    e.address[0] = uint8_t(a >> 24);
    e.address[1] = uint8_t(a >> 16);
    e.address[2] = uint8_t(a >> 8);
    e.address[3] = uint8_t(a);
    e.port = port;
    e.uid = uid;
    return e;
}

UdpTableEntry v6(std::initializer_list<uint8_t> bytes, uint16_t port, uint32_t uid)
{
    UdpTableEntry e;
    std::copy(bytes.begin(), bytes.end(), e.address.begin());
    e.v6 = true;
    e.port = port;
    e.uid = uid;
    return e;
}

// The kernel prints each 32-bit word as the number it is in this machine's memory.
std::string word(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    char text[9];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

TEST(UdpOwnerTest, ParsesTheKernelsLines)
{
    const std::string v4Text =
        "   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode "
        "ref "
        "pointer drops\n"
        "  118: " +
        word(127, 0, 0, 1) +
        ":0D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 30711 2 "
        "0000000000000000 0\n"
        " 1205: " +
        word(0, 0, 0, 0) + ":A1B2 " + word(10, 1, 2, 3) +
        ":0035 01 00000000:00000000 00:00000000 00000000 65534        0 30712 2 0000000000000000 0\n";
    EXPECT_EQ(parseUdpTable(v4Text, false),
              (std::vector<UdpTableEntry>{v4("127.0.0.1", 0x0D0B, 0), v4("0.0.0.0", 0xA1B2, 65534)}));

    const std::string v6Text =
        "  sl  local_address                         remote_address                        st tx_queue "
        "rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
        "   33: " +
        word(0, 0, 0, 0) + word(0, 0, 0, 0) + word(0, 0, 0xFF, 0xFF) + word(127, 0, 0, 1) +
        ":1F90 00000000000000000000000000000000:0000 07 00000000:00000000 00:00000000 00000000  1000        "
        "0 "
        "4242 2 0000000000000000 0\n";
    EXPECT_EQ(parseUdpTable(v6Text, true),
              (std::vector<UdpTableEntry>{
                  v6({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 127, 0, 0, 1}, 0x1F90, 1000)}));
    // The other family's text gives nothing: its addresses have the wrong length.
    EXPECT_TRUE(parseUdpTable(v6Text, false).empty());
    EXPECT_TRUE(parseUdpTable(v4Text, true).empty());
    // At most as many entries as asked for.
    EXPECT_EQ(parseUdpTable(v4Text, false, 1).size(), 1u);
}

TEST(UdpOwnerTest, DamagedLinesAreSkipped)
{
    const std::string good =
        "  1: 0100007F:0D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000 42 0 1 2 0 0";
    const char* bad[] = {
        "",
        "1: 0100007F:0D0B 00000000:0000 07",                                             // cut before the uid
        "  1 0100007F:0D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000 42",  // no slot colon
        "  1: 0100007F0D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000 42",  // no port colon
        "  1: 0100007G:0D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000 42", // not hex
        "  1: 100007F:00D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000 42", // widths wrong
        "  1: 0100007F:0D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000 -1",
        "  1: 0100007F:0D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000 4294967296",
        "  1: 0100007F:0D0B 00000000:0000 07 00000000:00000000 00:00000000 00000000 12a",
    };
    for (const char* line : bad)
        EXPECT_TRUE(parseUdpTable(line, false).empty()) << line;
    std::string mixed;
    for (const char* line : bad)
        mixed += std::string(line) + "\n";
    mixed += good; // the last line needs no newline
    ASSERT_EQ(parseUdpTable(mixed, false).size(), 1u);
    EXPECT_EQ(parseUdpTable(mixed, false)[0].uid, 42u);
}

TEST(UdpOwnerTest, SenderMatchesItsPortAndItsAddressOrAny)
{
    const std::vector<UdpTableEntry> entries = {
        v4("127.0.0.1", 5000, 1),
        v4("0.0.0.0", 5001, 2),
        v4("127.0.0.2", 5002, 3),
        v6({}, 5003, 4), // ::, takes IPv4 too
        v6({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 127, 0, 0, 1}, 5004, 5),
        v6({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 5005, 6), // ::1 sends no IPv4
        v4("127.0.0.1", 5006, 7),
        v4("127.0.0.1", 5006, 8), // two sockets share the port
    };
    struct Case
    {
        Endpoint sender;
        std::vector<uint32_t> owners;
    };
    const Case cases[] = {
        {{"127.0.0.1", 5000}, {1}},    {{"127.0.0.9", 5000}, {}},  {{"127.0.0.1", 5001}, {2}},
        {{"127.0.0.1", 5002}, {}},     {{"127.0.0.2", 5002}, {3}}, {{"127.0.0.1", 5003}, {4}},
        {{"127.0.0.1", 5004}, {5}},    {{"127.0.0.2", 5004}, {}},  {{"127.0.0.1", 5005}, {}},
        {{"127.0.0.1", 5006}, {7, 8}}, {{"127.0.0.1", 6000}, {}},  {{"127.0.0.1", 0}, {}},
        {{"localhost", 5000}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(senderOwners(entries, c.sender), c.owners) << c.sender.toString();
}

TEST(UdpOwnerTest, RealTablesNameTheOwnerOfOurSocket)
{
    SocketResult sock = bindUdp("127.0.0.1", 0, false);
    ASSERT_TRUE(sock.ok());
    const Endpoint sender{"127.0.0.1", sock.local.port};
    std::optional<std::vector<uint32_t>> owners = udpSenderOwners(sender);
    ASSERT_TRUE(owners);
    EXPECT_EQ(*owners, std::vector<uint32_t>{uint32_t(::geteuid())});
    sock.socket.close();
    owners = udpSenderOwners(sender);
    ASSERT_TRUE(owners);
    EXPECT_TRUE(owners->empty()); // gone with its socket
}

} // namespace
