#include "web_fixture.h"

#include "klv_inet/support/date_version_format.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_product.h"

#include <ctime>

namespace {

class ProductTest : public WebUpdateTest
{
protected:
    std::unique_ptr<CProduct> product(const std::string& section)
    {
        const std::string file = env.path("update.txt");
        writeFile(file, "[Term]\r\n" + section);
        return std::make_unique<CProduct>("Typestone", "Term", file.c_str(), nullptr);
    }
};

} // namespace

TEST_F(ProductTest, CountryRule)
{
    struct Case
    {
        const char* country; // nullptr: no key
        const char* keyboard;
        int available;
    };
    const Case cases[] = {
        {"!SP", "sp", 0}, {"!SP", "US", 1},   {"US,SP", "US", 0}, {"US,SP", "SP", 0}, {"All", "xx", 1},
        {"ALL", "US", 1}, {nullptr, "US", 1}, {"sp", "SP", 1},    {"SP", "US", 0},
    };
    for (const Case& c : cases) {
        klv::setUpdateKeyboardCode(c.keyboard);
        const auto p =
            product("version=300\r\n" + (c.country ? "country=" + std::string(c.country) + "\r\n" : ""));
        EXPECT_EQ(p->IsAvailableFromThisCountry(), c.available)
            << (c.country ? c.country : "(none)") << " " << c.keyboard;
        EXPECT_EQ(p->IsProductAvailable(), c.available == 1);
    }
}

TEST_F(ProductTest, VersionScales)
{
    struct Case
    {
        uint32_t stored, update, current, offered;
    };
    const Case cases[] = {
        {242, 24300, 24200, 24300},
        {24200, 243, 24200, 24300},
        {242, 243, 242, 243},
        {0, 243, 0, 243},
    };
    for (const Case& c : cases) {
        SavePLMProductVersion("Term", c.stored, "Windows");
        const auto p = product("version=" + std::to_string(c.update) + "\r\n");
        EXPECT_EQ(p->m_nCurrVersion, c.current) << c.stored << "/" << c.update;
        EXPECT_EQ(p->m_nUpdVersion, c.offered) << c.stored << "/" << c.update;
    }
}

TEST_F(ProductTest, FieldsOfTheProductSection)
{
    const auto p =
        product("version=300\r\ndate=7-11-2023\r\nsize=1536\r\ndownload=http://h/dir/set%20up.exe\r\n"
                "US_description=Terminal\r\nSP_description=Terminal ES\r\nplatform=valdor\r\n");
    std::tm t{};
    t.tm_year = 123;
    t.tm_mon = 10;
    t.tm_mday = 7;
    t.tm_isdst = -1;
    std::string date;
    EXPECT_EQ(p->m_szDate, FmtDateStr(std::mktime(&t), date, 1));
    EXPECT_EQ(p->m_nSize, 1536u);
    EXPECT_EQ(p->m_szDescription, "Terminal");
    EXPECT_EQ(p->m_nPlatform, CProduct::VALDOR);
    EXPECT_FALSE(p->IsProductAvailable()); // never offered outside debug mode
    EXPECT_EQ(p->m_szLocalFile, CProduct::DownloadFolder() + "Term-set_up.exe");
}

TEST_F(ProductTest, LocalNamesAreCleaned)
{
    struct Case
    {
        const char* url;
        const char* name;
    };
    const Case cases[] = {
        {"http://h/a/setup.exe", "Term-setup.exe"},   {"http://h/", "Term-download"},
        {"http://h/a/..", "Term-download"},           {"http://h/..%2F..%2Fetc%2Fpasswd", "Term-passwd"},
        {"http://h/a%20b%3Bc.exe", "Term-a_b_c.exe"}, {"http://h/.hidden", "Term-hidden"},
    };
    CProduct p("Typestone");
    p.m_szName = "Term";
    for (const Case& c : cases) {
        ASSERT_EQ(p.SetupLocalName(c.url), 1) << c.url;
        EXPECT_EQ(p.m_szLocalFile, CProduct::DownloadFolder() + c.name) << c.url;
    }
    p.m_szName = "../x";
    p.SetupLocalName("http://h/f");
    EXPECT_EQ(p.m_szLocalFile, CProduct::DownloadFolder() + "_x-f");
}

TEST_F(ProductTest, StatusNamesAndTheStoredStatus)
{
    EXPECT_EQ(CProduct::StatusFromName("downloaded"), CProduct::Downloaded);
    EXPECT_EQ(CProduct::StatusFromName("bogus"), CProduct::Prompt);
    EXPECT_STREQ(CProduct::StatusName(9), "Prompt");
    {
        const auto p = product("version=300\r\n");
        p->ChangeStatus(CProduct::Refused);
        p->SaveProduct();
    }
    const auto same = product("version=300\r\n");
    EXPECT_EQ(same->m_nStatus, CProduct::Refused); // the same version stays refused
    EXPECT_EQ(same->m_bChosen, 0);
    const auto newer = product("version=301\r\n");
    EXPECT_EQ(newer->m_nStatus, CProduct::Prompt); // a different version asks again
    EXPECT_EQ(newer->m_bChosen, 1);
}

TEST_F(ProductTest, OtherPlatformOnlyInDebugModeAndOnlyWhenAllowed)
{
    CKDRInetObj::SetDebug(1);
    ui->pushBoxAnswer(platform::ui::kIdYes);
    const auto p = product("version=300\r\nplatform=VALDOR\r\n");
    EXPECT_TRUE(p->IsProductAvailable());
    EXPECT_TRUE(p->IsProductAvailable()); // asked once
    CKDRInetObj::SetDebug(0);
    EXPECT_EQ(ui.boxes().size(), 1u);
    EXPECT_NE(ui.boxes()[0].box.text.find("Term is a 'VALDOR' product"), std::string::npos);
}
