#include "klv_inet/support/work4wts.h"
#include "klv_inet/support/wts_session_info_source.h"

#include "temp_env.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fs = std::filesystem;

namespace {

class FakeSource : public klv::WtsSessionInfoSource
{
public:
    bool available = true;
    uint32_t session = 3;
    int opens = 0, queries = 0;

    bool open() override
    {
        ++opens;
        return available;
    }
    bool query(int infoClass, std::vector<unsigned char>& data) override
    {
        ++queries;
        if (infoClass == 4) {
            data.assign(reinterpret_cast<unsigned char*>(&session),
                        reinterpret_cast<unsigned char*>(&session) + 4);
            return true;
        }
        if (infoClass == 10) {
            const char name[] = "client7";
            data.assign(name, name + sizeof name);
            return true;
        }
        if (infoClass == 15) {
            data.assign(5, 1); // wrong size for the display record: not copied
            return true;
        }
        return false;
    }
};

class Work4Wts : public ::testing::Test
{
protected:
    void SetUp() override { CWork4WTS::SetSessionInfoSource(&source); }
    void TearDown() override { CWork4WTS::SetSessionInfoSource(nullptr); }
    TempEnv env;
    FakeSource source;
};

} // namespace

TEST_F(Work4Wts, SessionFolderIsPrivateAndNamedAfterTheSession)
{
    char buf[260];
    const uint32_t n = CWork4WTS::GetTempPathA(sizeof buf, buf);
    const std::string want = env.path("WTS_3") + "/";
    ASSERT_EQ(std::string(buf), want);
    EXPECT_EQ(n, want.size());
    const auto st = fs::symlink_status(env.path("WTS_3"));
    ASSERT_TRUE(fs::is_directory(st));
    EXPECT_EQ(st.permissions() & fs::perms::all, fs::perms::owner_all);

    // Exactly the folder's length does not fit (the terminator needs a byte).
    char small[260];
    std::memset(small, 'q', sizeof small);
    EXPECT_EQ(CWork4WTS::GetTempPathA(n, small), 0u);
    EXPECT_EQ(small[0], 'q');
    EXPECT_EQ(CWork4WTS::GetTempPathA(n + 1, small), n);
    EXPECT_EQ(GetSessionTempPath(), want);
}

TEST_F(Work4Wts, SessionZeroAndNoSessionInformation)
{
    source.session = 0;
    CWork4WTS::SetSessionInfoSource(&source);
    EXPECT_EQ(GetSessionTempPath(), env.path("WTS_0") + "/");

    source.available = false;
    CWork4WTS::SetSessionInfoSource(&source);
    uint32_t id = 77;
    EXPECT_EQ(GetSessionId(&id), 0);
    EXPECT_EQ(GetSessionId(nullptr), 0);
    EXPECT_EQ(GetSessionTempPath(), env.dir().string() + "/"); // the plain temporary folder
    std::string p = env.path("x");
    EXPECT_FALSE(CWork4WTS::SubDir4WTSClient(p));
    EXPECT_EQ(p, env.path("x"));
}

TEST_F(Work4Wts, SymlinkInPlaceOfTheFolderIsRefused)
{
    fs::create_directory(env.path("elsewhere"));
    fs::create_directory_symlink(env.path("elsewhere"), env.path("WTS_3"));
    char buf[260] = "untouched";
    EXPECT_EQ(CWork4WTS::GetTempPathA(sizeof buf, buf), 0u);
    EXPECT_STREQ(buf, "untouched");
    EXPECT_EQ(GetSessionTempPath(), "");
}

TEST_F(Work4Wts, ClientItemsAreReadOnceAndFixedItemsNeedTheirSize)
{
    EXPECT_EQ(CWork4WTS::GetClientInfo((1u << 4) | (1u << 10)), 1);
    EXPECT_EQ(source.opens, 1);
    EXPECT_EQ(CWork4WTS::m_szClientName, "client7");
    EXPECT_EQ(CWork4WTS::m_dwSessionId, 3u);
    EXPECT_EQ(CWork4WTS::GetClientInfo(1u << 10), 1);
    EXPECT_EQ(source.opens, 1); // nothing read again

    std::string text;
    CWork4WTS::GetAllClientInfo(text);
    EXPECT_NE(text.find("\ndwSessionId='00000003'(3)"), std::string::npos);
    EXPECT_NE(text.find("\nClientName='client7'"), std::string::npos);
    EXPECT_NE(text.find("\nClientDisplay: (w=0, h=0, colorDepth=0)"), std::string::npos);
    EXPECT_NE(text.find("\nClientAddress: (AF_UNSPEC) [ 00 00"), std::string::npos);
}

TEST(Work4WtsSystem, ServiceSessionAndUuidNode)
{
    uint32_t id = 99;
    ASSERT_EQ(GetSessionId(&id), 1); // the system always names a session (0 for services)
    EXPECT_EQ(CWork4WTS::IsTerminalServicesEnabled(), 0);
    EXPECT_EQ(CWork4WTS::IsWTS_Client(), 0);
    uint16_t client = 5;
    CWork4WTS w;
    EXPECT_EQ(w.SetClientId(&client, 0), 1);
    EXPECT_EQ(client, 0);
}
