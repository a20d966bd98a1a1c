#include "klv_inet/support/app_name.h"
#include "klv_inet/support/machine_info.h"
#include "klv_inet/support/node_adapters.h"
#include "klv_inet/support/node_id.h"
#include "klv_inet/support/sys_version.h"

#include "store_fixture.h"

#include <cstring>

using platform::RegRoot;

namespace {

class NodeId : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        SetAppName("NodeApp");
    }
    void TearDown() override
    {
        klv::setNodeAdapterLister({});
        SetAppName(nullptr);
        StoreTest::TearDown();
    }
    void adapters(std::vector<klv::NodeAdapter> list)
    {
        klv::setNodeAdapterLister([list] { return list; });
    }
    std::vector<uint8_t> stored()
    {
        std::vector<uint8_t> b;
        store->readBinary(RegRoot::CurrentUser, "Software\\KLV\\NodeApp\\Host", "MAC", &b);
        return b;
    }
};

const klv::NodeAdapter kLoopback{"lo", {0, 0, 0, 0, 0, 0}, true, false};
const klv::NodeAdapter kEthernet{"eth0", {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, false, true};
const klv::NodeAdapter kDialUp{"ppp0", {'D', 'E', 'S', 'T', 0, 0}, false, false};

} // namespace

TEST_F(NodeId, AdapterAddressWinsAndIsNotStored)
{
    adapters({kLoopback, {"veth1", {0x0a, 1, 2, 3, 4, 5}, false, false}, kEthernet});
    std::string text;
    uint8_t node[6] = {};
    ASSERT_EQ(GetMAC(&text, node), 1);
    EXPECT_EQ(text, "001a2b3c4d5e");
    EXPECT_EQ(std::memcmp(node, kEthernet.address.data(), 6), 0);
    EXPECT_TRUE(stored().empty());

    // With force the stored (here newly generated) id wins.
    std::string trace;
    ASSERT_EQ(_GetMAC(&text, node, 1, &trace), 1);
    EXPECT_NE(text, "001a2b3c4d5e");
    EXPECT_EQ(stored(), std::vector<uint8_t>(node, node + 6));
    EXPECT_NE(trace.find("UUID saved to registry !!"), std::string::npos);
}

TEST_F(NodeId, WithoutAUsableAdapterAGeneratedIdIsKept)
{
    for (const auto& list :
         {std::vector<klv::NodeAdapter>{}, std::vector<klv::NodeAdapter>{kLoopback, kDialUp}}) {
        store->deleteValue(RegRoot::CurrentUser, "Software\\KLV\\NodeApp\\Host", "MAC");
        adapters(list);
        std::string first, second;
        uint8_t node[6] = {};
        ASSERT_EQ(GetMAC(&first, node), 1);
        ASSERT_EQ(first.size(), 12u);
        EXPECT_EQ(node[0] & 0x03, 0x02); // locally administered, unicast
        EXPECT_EQ(stored(), std::vector<uint8_t>(node, node + 6));
        ASSERT_EQ(GetMAC(&second, nullptr), 1);
        EXPECT_EQ(second, first);
    }
}

TEST(SystemVersion, LayoutNamesThisSystem)
{
    WinVersion family = WinVersion::Win95;
    std::string text, version, name;
    OsVersionInfo info;
    ASSERT_EQ(GetWinSystemVersion(&family, &text, &info, &version, &name), 1);
    EXPECT_EQ(family, WinVersion::Unknown);
    EXPECT_EQ(info.platformId, 2u);
    EXPECT_EQ(text.rfind("\n-VerInfoEx=", 0), 0u);
    EXPECT_NE(text.find("\nVer=" + version + "\nPlatform=2 (Linux)\nCSDVersion='"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - name.size()), name);
    EXPECT_EQ(WhatWinVersion(), WinVersion::Unknown);
    EXPECT_EQ(GetDllVersion("libc.so.6"), 0u);
}

TEST_F(NodeId, MachineDescription)
{
    adapters({kEthernet});
    std::string out;
    GetMachineInfo(out);
    EXPECT_NE(out.find("\nDiskSerial: 0x"), std::string::npos);
    EXPECT_NE(
        out.find("\nNetSerial: 001a2b3c4d5e\nTerminal Service: Disabled\nRunning in: CONSOLE\nSessionId="),
        std::string::npos);
    EXPECT_NE(out.find("\nClient Information\n\nInitialProgram=''"), std::string::npos);
}
