#include "app_fixture.h"

#include "typestone/server/status_messages.h"
#include "typestone/server/udp_actions.h"
#include "typestone/server/udp_server.h"

#include "klv_inet/support/reg_entry.h"

#include "platform/net/udp_owner.h"

#include <QSysInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <random>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using apptest::request;
using typestone::CASUDPTypestone;

const platform::net::Endpoint kLoopback{"127.0.0.1", 40000};
const platform::net::Endpoint kRemote{"192.168.7.20", 40000};

class UdpServerTest : public apptest::ServiceTest
{
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        // The made-up senders of this machine stand for a socket of the server's own user.
        udpOwners = [](const platform::net::Endpoint& from) -> std::optional<std::vector<uint32_t>> {
            if (from == kLoopback)
                return std::vector<uint32_t>{uint32_t(::geteuid())};
            return platform::net::udpSenderOwners(from);
        };
    }

    std::vector<uint8_t> dispatch(CASUDPTypestone& udp, const std::vector<uint8_t>& datagram,
                                  const platform::net::Endpoint& from = kLoopback)
    {
        return udp.Dispatch(datagram.data(), datagram.size(), from);
    }

    // The expected reply: header, then `data` padded with zeros to `total`.
    static std::vector<uint8_t> reply(uint16_t command, uint16_t sequence, uint16_t length,
                                      const std::vector<uint8_t>& data, size_t total)
    {
        std::vector<uint8_t> out(std::max(total, data.size() + 6), 0);
        const uint8_t header[6] = {uint8_t(command),       uint8_t(command >> 8), uint8_t(sequence),
                                   uint8_t(sequence >> 8), uint8_t(length),       uint8_t(length >> 8)};
        std::copy(std::begin(header), std::end(header), out.begin());
        std::copy(data.begin(), data.end(), out.begin() + 6);
        out.resize(total);
        return out;
    }

    static std::vector<uint8_t> chkRequest(uint16_t sequence, const std::string& printer,
                                           const std::string& password)
    {
        std::vector<uint8_t> r = request(typestone::CMD_CHKPRINTER, sequence);
        r.resize(261, 0);
        apptest::putText(r, 6, printer);
        apptest::putText(r, 261, password);
        r.push_back(0);
        return r;
    }
};

TEST_F(UdpServerTest, ShortDatagramsAndUnknownCommandsGetNoReply)
{
    CASUDPTypestone udp(makeService());
    const std::vector<uint8_t> fiveBytes = {1, 0, 9, 0, 0};
    EXPECT_TRUE(dispatch(udp, fiveBytes).empty());
    EXPECT_EQ(udp.LastSequence(), 1995); // not even the sequence is taken
    EXPECT_TRUE(dispatch(udp, {}).empty());
    EXPECT_TRUE(dispatch(udp, request(999, 4)).empty());
    EXPECT_TRUE(dispatch(udp, request(typestone::CMD_SENDMESSAGE, 4)).empty());
}

TEST_F(UdpServerTest, WhoAnswersTheHostNameInA255ByteField)
{
    CASUDPTypestone udp(makeService());
    const std::string host = QSysInfo::machineHostName().toStdString();
    ASSERT_FALSE(host.empty());
    const std::vector<uint8_t> expected =
        reply(typestone::CMD_WHO, 0x1234, 255, std::vector<uint8_t>(host.begin(), host.end()), 261);
    EXPECT_EQ(dispatch(udp, request(typestone::CMD_WHO, 0x1234)), expected);
    EXPECT_EQ(udp.LastSequence(), 0x1234);
}

TEST_F(UdpServerTest, PrinterListWithNoPrinters)
{
    CASUDPTypestone udp(makeService());
    EXPECT_EQ(dispatch(udp, request(typestone::CMD_PRTLIST, 3)),
              reply(typestone::CMD_PRTLIST, 3, 2, {0, 0, 0}, 1009));
}

TEST_F(UdpServerTest, PrinterListNamesTheSharedPrintersOnly)
{
    addPrinter("Alpha");
    addPrinter("Beta");
    addPrinter("Hidden");
    configurePrinter("Hidden", false, "");
    CASUDPTypestone udp(makeService());
    // count 2, a zero byte, then name and (empty) share name of each, NUL-ended.
    std::vector<uint8_t> data = {2, 0, 0};
    for (const char* name : {"Alpha", "Beta"}) {
        data.insert(data.end(), name, name + std::strlen(name));
        data.push_back(0);
        data.push_back(0);
    }
    EXPECT_EQ(dispatch(udp, request(typestone::CMD_PRTLIST, 5)),
              reply(typestone::CMD_PRTLIST, 5, 15, data, 1009));
}

TEST_F(UdpServerTest, PrinterListStopsAtTheLastPairThatFits)
{
    // 20 printers of 60 characters: each pair takes 62 of the 1000 name bytes.
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) {
        names.push_back(std::string(58, char('A' + i)) + (i < 10 ? "0" : "1") + char('0' + i % 10));
        addPrinter(names.back());
    }
    CASUDPTypestone udp(makeService());
    const std::vector<uint8_t> got = dispatch(udp, request(typestone::CMD_PRTLIST, 6));
    ASSERT_EQ(got.size(), 1009u);
    const uint16_t count = uint16_t(got[6] | (got[7] << 8));
    const uint16_t length = uint16_t(got[4] | (got[5] << 8));
    EXPECT_EQ(count, 16);
    EXPECT_EQ(length, 16 * 62 + 2);
    // Whole pairs only, and nothing behind the last one.
    size_t pos = 9;
    for (int i = 0; i < count; ++i) {
        const std::string name(reinterpret_cast<const char*>(&got[pos]));
        EXPECT_EQ(name.size(), 60u);
        pos += name.size() + 2;
    }
    EXPECT_TRUE(std::all_of(got.begin() + long(pos), got.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(UdpServerTest, CheckPrinterCodes)
{
    addPrinter("Open");
    addPrinter("Locked");
    addPrinter("Private");
    configurePrinter("Locked", true, "secret");
    configurePrinter("Private", false, "");
    printers->LoadPrinters();
    CASUDPTypestone udp(makeService());
    const struct
    {
        const char* printer;
        const char* password;
        uint16_t code;
    } cases[] = {
        {"Open", "", 0},   {"Locked", "secret", 0}, {"Locked", "SECRET", 0}, {"Locked", "wrong", 8},
        {"Locked", "", 8}, {"Private", "", 7},      {"Missing", "", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.printer) + "/" + c.password);
        EXPECT_EQ(dispatch(udp, chkRequest(21, c.printer, c.password)),
                  reply(typestone::CMD_CHKPRINTER, 21, 2, {uint8_t(c.code), uint8_t(c.code >> 8)}, 8));
    }
}

TEST_F(UdpServerTest, CheckPrinterReadsOnlyTheReceivedBytes)
{
    addPrinter("Locked");
    configurePrinter("Locked", true, "secret");
    CASUDPTypestone udp(makeService());
    // The name runs to the datagram's end with no NUL, and no password field at all.
    std::vector<uint8_t> cut = request(typestone::CMD_CHKPRINTER, 2);
    apptest::putText(cut, 6, "Locked");
    EXPECT_EQ(dispatch(udp, cut), reply(typestone::CMD_CHKPRINTER, 2, 2, {8, 0}, 8));
    // A password that fills the datagram without a NUL is taken as far as it goes.
    std::vector<uint8_t> full = chkRequest(3, "Locked", "secret");
    full.pop_back();
    EXPECT_EQ(dispatch(udp, full), reply(typestone::CMD_CHKPRINTER, 3, 2, {0, 0}, 8));
}

TEST_F(UdpServerTest, GetAutoStartAnswersTheFlag)
{
    CASUDPTypestone udp(makeService());
    autoStart = true;
    EXPECT_EQ(dispatch(udp, request(typestone::CMD_GETAUTOSTART, 8)),
              reply(typestone::CMD_GETAUTOSTART, 8, 4, {1, 0, 0, 0}, 10));
    EXPECT_TRUE(dispatch(udp, request(typestone::CMD_AUTOSTART_OFF, 9)).empty());
    EXPECT_FALSE(autoStart);
    EXPECT_EQ(dispatch(udp, request(typestone::CMD_GETAUTOSTART, 10)),
              reply(typestone::CMD_GETAUTOSTART, 10, 4, {0, 0, 0, 0}, 10));
}

std::vector<uint8_t> registryRequest(const std::string& section, const std::string& entry, uint32_t rootKey,
                                     const std::string& value, uint32_t type = 1)
{
    std::vector<uint8_t> r = request(typestone::CMD_SETREGISTRYENTRY, 11);
    r.resize(274, 0);
    apptest::putText(r, 6, section);
    apptest::putText(r, 134, entry);
    apptest::putU32(r, 262, uint32_t(value.size() + 1));
    apptest::putU32(r, 266, type);
    apptest::putU32(r, 270, rootKey);
    apptest::putText(r, 274, value);
    r.push_back(0);
    return r;
}

TEST_F(UdpServerTest, SetRegistryEntryWritesOnlyTheApplicationsOwnSettings)
{
    CASUDPTypestone udp(makeService());
    const std::vector<uint8_t> ok = reply(typestone::CMD_SETREGISTRYENTRY, 11, 4, {1, 0, 0, 0}, 10);
    const std::vector<uint8_t> refused = reply(typestone::CMD_SETREGISTRYENTRY, 11, 4, {0, 0, 0, 0}, 10);

    EXPECT_EQ(dispatch(udp, registryRequest(".DEFAULT\\Software\\KLV\\Typestone\\General", "Messages",
                                            0x80000003u, "no")),
              ok);
    EXPECT_FALSE(typestone::GetCFGFlag("Messages", true));
    EXPECT_EQ(dispatch(udp, registryRequest("Software\\KLV\\Typestone\\Debug", "Trace", 0x80000001u, "yes")),
              ok);

    const struct
    {
        const char* section;
        uint32_t root;
    } refusedCases[] = {
        {".DEFAULT\\Software\\KLV\\Other\\General", 0x80000003u},
        {".DEFAULT\\Software\\KLV\\TypestoneX", 0x80000003u},
        {".DEFAULT\\Software\\KLV\\Typestone\\..\\Other", 0x80000003u},
        {"SYSTEM\\CurrentControlSet\\Services", 0x80000002u},
        {"Software\\KLV\\Typestone\\General", 0x80000002u},
        {"AppID", 0x80000000u},
    };
    for (const auto& c : refusedCases) {
        SCOPED_TRACE(c.section);
        EXPECT_EQ(dispatch(udp, registryRequest(c.section, "Evil", c.root, "1")), refused);
    }
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared();
    EXPECT_FALSE(store->keyExists(platform::RegRoot::CurrentUser, "Software\\KLV\\Other"));
    EXPECT_FALSE(store->keyExists(platform::RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Services"));

    // Shorter than its fixed fields: nothing is read past the datagram, nothing written.
    std::vector<uint8_t> cut =
        registryRequest(".DEFAULT\\Software\\KLV\\Typestone\\General", "Cut", 0x80000003u, "x");
    cut.resize(200);
    EXPECT_EQ(dispatch(udp, cut), refused);
    EXPECT_EQ(typestone::GetCFGFlag("Cut", false), false);
}

TEST_F(UdpServerTest, SetRegistryEntryValueIsBoundedByTheDatagram)
{
    CASUDPTypestone udp(makeService());
    // The length claims 4000 bytes; only what arrived is stored.
    std::vector<uint8_t> r =
        registryRequest(".DEFAULT\\Software\\KLV\\Typestone\\General", "Note", 0x80000003u, "abc");
    r.pop_back(); // no NUL either
    apptest::putU32(r, 262, 4000);
    dispatch(udp, r);
    char buffer[64] = {};
    uint32_t size = sizeof buffer;
    ASSERT_TRUE(GetRegistryEntry(typestone::GeneralSection().c_str(), "Note", buffer, &size));
    EXPECT_STREQ(buffer, "abc");
}

// A write the store did not take is answered 0, never "done".
TEST_F(UdpServerTest, SetRegistryEntryReportsAWriteTheStoreRefused)
{
    CASUDPTypestone udp(makeService());
    const std::vector<uint8_t> ok = reply(typestone::CMD_SETREGISTRYENTRY, 11, 4, {1, 0, 0, 0}, 10);
    const std::vector<uint8_t> refused = reply(typestone::CMD_SETREGISTRYENTRY, 11, 4, {0, 0, 0, 0}, 10);
    const std::string section = ".DEFAULT\\Software\\KLV\\Typestone\\General";
    ASSERT_EQ(dispatch(udp, registryRequest(section, "Before", 0x80000003u, "1")), ok);

    // The store's file cannot be made: a regular file stands where its folder would be.
    const std::string blocker = folders.path("not-a-folder");
    {
        std::ofstream(blocker) << "x";
    }
    folders.env().set("TYPESTONE_REGISTRY", blocker + "/registry.sqlite");
    platform::SettingsStore::resetShared();
    for (uint32_t type : {1u, 3u, 4u}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(dispatch(udp, registryRequest(section, "After", 0x80000003u, "1234", type)), refused);
    }
    folders.env().set("TYPESTONE_REGISTRY", folders.path("registry.sqlite"));
    platform::SettingsStore::resetShared();
}

// Counts what the datagrams asked of the service.
class CountingActions : public typestone::UdpActions
{
public:
    bool IsServiceMode() const override { return true; }
    // Which sockets may control is the service's own test; here every local one may.
    bool MayControl(const platform::net::Endpoint&) override { return true; }
    uint16_t ListPrinters(char* buffer, size_t size, size_t* used) override
    {
        static const char kPair[] = "Printer\0Share"; // both NUL-ended: 14 bytes
        if (*used + sizeof kPair >= size)
            return 0;
        std::memcpy(buffer + *used, kPair, sizeof kPair);
        *used += sizeof kPair;
        return 1;
    }
    uint16_t CheckPrinter(const std::string& printer, const std::string& password) override
    {
        longestField = std::max({longestField, printer.size(), password.size()});
        return 7;
    }
    void PostControl(uint16_t) override { ++actions; }
    bool GetAutoStart() override
    {
        ++actions;
        return true;
    }
    void SetAutoStart(bool) override { ++actions; }
    void ToggleTracer() override { ++actions; }
    void ToggleTiming() override { ++actions; }

    int actions = 0;
    size_t longestField = 0;
};

// Datagrams of every length and command, mutated from valid ones: no crash, no read past the
// datagram, replies only of the documented sizes, and nothing done for another machine.
TEST(UdpServerRobustness, MutatedDatagrams)
{
    apptest::TempFolders folders;
    CountingActions actions;
    CASUDPTypestone udp(actions);
    std::vector<uint8_t> chk = apptest::request(typestone::CMD_CHKPRINTER, 1);
    apptest::putText(chk, 6, std::string(255, 'P'));
    apptest::putText(chk, 261, std::string(255, 'W'));
    const std::vector<std::vector<uint8_t>> seeds = {
        apptest::request(typestone::CMD_WHO, 1),
        apptest::request(typestone::CMD_PRTLIST, 1),
        chk,
        apptest::request(typestone::CMD_GETAUTOSTART, 1),
        registryRequest(".DEFAULT\\Software\\KLV\\Typestone\\General", "Fuzz", 0x80000003u, "value"),
        registryRequest("Software\\KLV\\Typestone\\Debug", "Fuzz", 0x80000001u, "1234", 4),
    };
    auto replySize = [](uint16_t command) -> size_t {
        switch (command) {
        case typestone::CMD_WHO:
            return CASUDPTypestone::kWhoReplySize;
        case typestone::CMD_PRTLIST:
            return CASUDPTypestone::kListReplySize;
        case typestone::CMD_CHKPRINTER:
            return 8;
        case typestone::CMD_GETAUTOSTART:
        case typestone::CMD_SETREGISTRYENTRY:
            return 10;
        default:
            return 0;
        }
    };

    std::mt19937 gen(20261210);
    int registryWrites = 0;
    int registryAccepted = 0;
    for (int i = 0; i < 4000; ++i) {
        std::vector<uint8_t> d = seeds[gen() % seeds.size()];
        switch (gen() % 4) {
        case 0: // any command
            d[0] = uint8_t(gen());
            d[1] = uint8_t(gen() % 8 == 0 ? gen() : (i % 3 == 0 ? 0 : 4));
            break;
        case 1: // cut anywhere, the header too
            d.resize(gen() % (d.size() + 1));
            break;
        case 2: // grown with noise up to past the largest datagram
            d.resize(gen() % 2 ? d.size() + gen() % 600 : 60000 + gen() % 10001, uint8_t(gen()));
            break;
        default:
            break;
        }
        for (unsigned flips = gen() % 8; flips > 0 && !d.empty(); --flips)
            d[gen() % d.size()] = uint8_t(gen());
        if (d.size() >= 2 && uint16_t(d[0] | (d[1] << 8)) == typestone::CMD_SETREGISTRYENTRY &&
            ++registryWrites > 300)
            d[0] = uint8_t(typestone::CMD_PRTLIST), d[1] = 0; // the store is slow; enough of those

        // Copied to a block of exactly its size, so that ASan sees any read past it.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[d.size() + 1]);
        std::copy(d.begin(), d.end(), exact.get());
        const bool remote = gen() % 4 == 0;
        const int before = actions.actions;
        const std::vector<uint8_t> answer = udp.Dispatch(exact.get(), d.size(), remote ? kRemote : kLoopback);

        SCOPED_TRACE("datagram " + std::to_string(i) + " of " + std::to_string(d.size()) + " bytes");
        if (d.size() < 6) {
            EXPECT_TRUE(answer.empty());
            continue;
        }
        const uint16_t command = uint16_t(d[0] | (d[1] << 8));
        if (remote && CASUDPTypestone::IsControlCommand(command)) {
            EXPECT_TRUE(answer.empty());
            EXPECT_EQ(actions.actions, before);
            continue;
        }
        if (answer.empty())
            continue; // WHO may have no host name; every other reply is checked below
        ASSERT_EQ(answer.size(), replySize(command)) << command;
        EXPECT_EQ(uint16_t(answer[0] | (answer[1] << 8)), command);
        EXPECT_EQ(answer[2], d[2]);
        EXPECT_EQ(answer[3], d[3]);
        if (command == typestone::CMD_SETREGISTRYENTRY && answer[6] == 1)
            ++registryAccepted;
    }
    EXPECT_GT(registryAccepted, 0) << "some writes must have been valid enough to be done";
    EXPECT_LE(actions.longestField, 255u);
    // Whatever the datagrams said, only the application's own branch was written.
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared();
    std::vector<std::string> klv;
    store->subkeys(platform::RegRoot::CurrentUser, "Software\\KLV", &klv);
    for (const std::string& k : klv)
        EXPECT_EQ(platform::foldName(k), platform::foldName("Typestone")) << k;
    std::vector<std::string> top;
    store->subkeys(platform::RegRoot::CurrentUser, "", &top);
    for (const std::string& k : top)
        EXPECT_EQ(platform::foldName(k), platform::foldName("Software")) << k;
    EXPECT_FALSE(store->keyExists(platform::RegRoot::LocalMachine, "SYSTEM"));
}

TEST(UdpControlFilterTest, ControlCommandsAndTheirSenders)
{
    for (uint16_t c : {uint16_t(1), uint16_t(2), uint16_t(3), uint16_t(1093), uint16_t(1135)})
        EXPECT_FALSE(CASUDPTypestone::IsControlCommand(c)) << c;
    for (uint16_t c : {uint16_t(1094), uint16_t(1096), uint16_t(1125), uint16_t(1128), uint16_t(1134)})
        EXPECT_TRUE(CASUDPTypestone::IsControlCommand(c)) << c;
    EXPECT_TRUE(CASUDPTypestone::AcceptControlFrom({"127.0.0.1", 1}));
    EXPECT_TRUE(CASUDPTypestone::AcceptControlFrom({"127.1.2.3", 1}));
    EXPECT_FALSE(CASUDPTypestone::AcceptControlFrom({"192.168.7.20", 1}));
    EXPECT_FALSE(CASUDPTypestone::AcceptControlFrom({"0.0.0.0", 1}));
    EXPECT_FALSE(CASUDPTypestone::AcceptControlFrom({"", 1}));
}

TEST_F(UdpServerTest, ControlFromAnotherMachineIsDropped)
{
    CASUDPTypestone udp(makeService());
    autoStart = true;
    EXPECT_TRUE(dispatch(udp, request(typestone::CMD_GETAUTOSTART, 12), kRemote).empty());
    EXPECT_TRUE(dispatch(udp, request(typestone::CMD_AUTOSTART_OFF, 12), kRemote).empty());
    EXPECT_TRUE(autoStart);
    EXPECT_TRUE(
        dispatch(udp, registryRequest(".DEFAULT\\Software\\KLV\\Typestone\\General", "X", 0x80000003u, "1"),
                 kRemote)
            .empty());
    EXPECT_EQ(udp.LastSequence(), 1995);
    // Queries are for every host.
    EXPECT_EQ(dispatch(udp, request(typestone::CMD_PRTLIST, 13), kRemote).size(), 1009u);
}

TEST_F(UdpServerTest, DesktopModeDropsEveryControlCommand)
{
    CASUDPTypestone udp(makeService(false));
    autoStart = true;
    for (uint16_t c = typestone::kFirstControlCommand; c <= typestone::kLastControlCommand; ++c)
        EXPECT_TRUE(dispatch(udp, request(c, 14)).empty()) << c;
    EXPECT_TRUE(autoStart);
    EXPECT_EQ(dispatch(udp, request(typestone::CMD_WHO, 15)).size(), 261u);
    EXPECT_EQ(dispatch(udp, chkRequest(16, "None", "")).size(), 8u);
}

TEST_F(UdpServerTest, RealSocketEchoesTheSequenceAndDropsShortDatagrams)
{
    makeService();
    ASSERT_TRUE(service->CreateSockets());
    ASSERT_NE(service->BoundUdpPort(), 0);
    platform::net::SocketResult client = platform::net::bindUdp("127.0.0.1", 0, false);
    ASSERT_TRUE(client.ok());
    const platform::net::Endpoint server{"127.0.0.1", service->BoundUdpPort()};
    const uint8_t five[5] = {1, 0, 1, 0, 0};
    platform::net::sendTo(client.socket, five, sizeof five, server);
    const std::vector<uint8_t> who = request(typestone::CMD_WHO, 0xBEEF);
    platform::net::sendTo(client.socket, who.data(), who.size(), server);
    // A datagram larger than any reply is received whole and answered.
    std::vector<uint8_t> big = request(typestone::CMD_PRTLIST, 0xCAFE);
    big.resize(60000, 0x55);
    platform::net::sendTo(client.socket, big.data(), big.size(), server);

    std::vector<std::vector<uint8_t>> replies;
    apptest::pumpUntil([&] {
        uint8_t buffer[2048];
        platform::net::DatagramResult got =
            platform::net::receiveFrom(client.socket, buffer, sizeof buffer, 0);
        if (got.ok())
            replies.emplace_back(buffer, buffer + got.bytes);
        return replies.size() >= 2;
    });
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].size(), 261u);
    EXPECT_EQ(replies[0][2], 0xEF);
    EXPECT_EQ(replies[0][3], 0xBE);
    EXPECT_EQ(replies[1].size(), 1009u);
    EXPECT_EQ(replies[1][2], 0xFE);
    EXPECT_EQ(replies[1][3], 0xCA);
}

// A WHO and PRTLIST flood from one address draws a few answers a second, not one per request;
// another address is answered meanwhile, and the small check answer is not limited.
TEST_F(UdpServerTest, LargeAnswersAreLimitedPerAddress)
{
    CASUDPTypestone udp(makeService());
    const auto start = std::chrono::steady_clock::now();
    int answered = 0;
    for (int i = 0; i < 300; ++i)
        answered +=
            !dispatch(udp, request(i % 2 ? typestone::CMD_WHO : typestone::CMD_PRTLIST, uint16_t(i)), kRemote)
                 .empty();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(answered, typestone::AnswerRateLimit::kBurst);
    EXPECT_LE(answered,
              typestone::AnswerRateLimit::kBurst + typestone::AnswerRateLimit::kPerSecond * elapsed + 1);
    EXPECT_EQ(dispatch(udp, request(typestone::CMD_WHO, 1), {"192.168.7.21", 40000}).size(), 261u);
    EXPECT_EQ(dispatch(udp, chkRequest(2, "None", ""), kRemote).size(), 8u);
}

TEST_F(UdpServerTest, RealSocketFloodFromOneAddressLeavesAnotherAnswered)
{
    makeService();
    ASSERT_TRUE(service->CreateSockets());
    const platform::net::Endpoint server{"127.0.0.1", service->BoundUdpPort()};
    platform::net::SocketResult flood = platform::net::bindUdp("127.0.0.1", 0, false);
    platform::net::SocketResult other = platform::net::bindUdp("127.0.0.2", 0, false);
    ASSERT_TRUE(flood.ok() && other.ok());
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) {
        const std::vector<uint8_t> who = request(typestone::CMD_WHO, uint16_t(i));
        platform::net::sendTo(flood.socket, who.data(), who.size(), server);
    }
    const std::vector<uint8_t> who = request(typestone::CMD_WHO, 0xBEEF);
    platform::net::sendTo(other.socket, who.data(), who.size(), server);
    // The other address's answer comes after the flood was dealt with.
    size_t floodAnswers = 0;
    bool otherAnswered = false;
    ASSERT_TRUE(apptest::pumpUntil(
        [&] {
            uint8_t buffer[2048];
            while (platform::net::receiveFrom(flood.socket, buffer, sizeof buffer, 0).ok())
                ++floodAnswers;
            platform::net::DatagramResult got =
                platform::net::receiveFrom(other.socket, buffer, sizeof buffer, 0);
            otherAnswered = otherAnswered || (got.ok() && got.bytes == 261 && buffer[2] == 0xEF);
            return otherAnswered;
        },
        10000));
    uint8_t buffer[2048];
    while (platform::net::receiveFrom(flood.socket, buffer, sizeof buffer, 0).ok())
        ++floodAnswers;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(floodAnswers, size_t(typestone::AnswerRateLimit::kBurst));
    EXPECT_LE(double(floodAnswers),
              typestone::AnswerRateLimit::kBurst + typestone::AnswerRateLimit::kPerSecond * elapsed + 1);
}

// Sends datagrams to the service's port from a socket a child process makes as user `uid`, then
// a WHO from the same socket: its answer shows the server has dealt with the others. The
// commands of the answers the child got, in order ({} when it got no answer to the WHO).
std::vector<uint16_t> sendAsUser(uid_t uid, gid_t gid, uint16_t port,
                                 const std::vector<std::vector<uint8_t>>& datagrams)
{
    // The datagrams are laid out before the fork: the child only makes system calls.
    std::vector<std::vector<uint8_t>> all = datagrams;
    all.push_back(request(typestone::CMD_WHO, 0xABCD));
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(2);
        const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (const std::vector<uint8_t>& d : all)
            ::sendto(sock, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        for (int waits = 0; waits < 100; ++waits) {
            pollfd p{sock, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            uint8_t answer[2048];
            const ssize_t n = ::recv(sock, answer, sizeof answer, 0);
            if (n < 6)
                continue;
            ::write(pipeFds[1], answer, 2);
            if (answer[0] == typestone::CMD_WHO && answer[1] == 0 && answer[2] == 0xCD && answer[3] == 0xAB)
                ::_exit(0);
        }
        ::_exit(3);
    }
    ::close(pipeFds[1]);
    int status = -1;
    apptest::pumpUntil([&] { return pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid; }, 20000);
    std::vector<uint16_t> commands;
    uint8_t command[2];
    while (::read(pipeFds[0], command, 2) == 2)
        commands.push_back(uint16_t(command[0] | (command[1] << 8)));
    ::close(pipeFds[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return commands;
}

TEST_F(UdpServerTest, ControlOnlyFromSocketsOfAllowedUsers)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "sending from a socket of another user needs root";
    const passwd* nobody = ::getpwnam("nobody");
    const group* nobodysGroup = nobody ? ::getgrgid(nobody->pw_gid) : nullptr;
    if (!nobody || !nobodysGroup)
        GTEST_SKIP() << "no user nobody with a named group";
    const uid_t otherUid = nobody->pw_uid;
    const gid_t otherGid = nobody->pw_gid;
    const std::string otherGroup = nobodysGroup->gr_name;

    udpOwners = nullptr; // the kernel's own tables
    makeService();
    ASSERT_TRUE(service->CreateSockets());
    const uint16_t port = service->BoundUdpPort();
    const std::vector<std::vector<uint8_t>> control = {
        request(typestone::CMD_GETAUTOSTART, 1),
        request(typestone::CMD_AUTOSTART_ON, 2),
        registryRequest(".DEFAULT\\Software\\KLV\\Typestone\\General", "FromAnother", 0x80000003u, "yes"),
    };
    const std::vector<uint16_t> obeyed = {typestone::CMD_GETAUTOSTART, typestone::CMD_SETREGISTRYENTRY,
                                          typestone::CMD_WHO};

    // Another user: no answer, nothing done; the query is answered all the same.
    EXPECT_EQ(sendAsUser(otherUid, otherGid, port, control), std::vector<uint16_t>{typestone::CMD_WHO});
    EXPECT_FALSE(autoStart);
    EXPECT_FALSE(typestone::GetCFGFlag("FromAnother", false));

    // The server's own user.
    EXPECT_EQ(sendAsUser(::geteuid(), ::getegid(), port, control), obeyed);
    EXPECT_TRUE(autoStart);
    EXPECT_TRUE(typestone::GetCFGFlag("FromAnother", false));

    // The group named in the settings lets its members in, once the settings are read again.
    autoStart = false;
    typestone::SetCFGString("FromAnother", "no");
    typestone::SetCFGString("ControlGroup", otherGroup);
    service->ReloadConfig();
    EXPECT_EQ(sendAsUser(otherUid, otherGid, port, control), obeyed);
    EXPECT_TRUE(autoStart);
    EXPECT_TRUE(typestone::GetCFGFlag("FromAnother", false));
}

} // namespace
