#include "klv_inet/webupdate/host_entry.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

int64_t localTime(int y, int mo, int d, int h, int mi, int s)
{
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

CHostEntry tcpHost()
{
    CHostEntry h;
    h.m_szName = "A";
    h.m_szAddress = "10.0.0.1";
    h.m_nPort = 3339;
    return h;
}

} // namespace

TEST(HostEntry, NameTextsOfEachKind)
{
    struct Case
    {
        const char* what;
        CHostEntry host;
        const char* stored;
        const char* display;
    };
    CHostEntry withUrl = tcpHost();
    withUrl.m_szURL = "http://h";
    withUrl.m_szAccount = "joe";
    CHostEntry serial;
    serial.m_nComPort = 2;
    CHostEntry dial;
    dial.m_bDialUp = 1;
    dial.m_nComPort = 3; // dial-up wins over the serial port
    dial.m_szName = "D";
    dial.m_szAddress = "555";
    dial.m_szDevice = "modem";
    dial.m_szPhoneBook = "pb";
    const Case cases[] = {
        {"tcp", tcpHost(), "C:\\NAME=A, IP=10.0.0.1, PORT=3339", "NAME (A), IP (10.0.0.1), PORT3339"},
        {"tcp with url and account", withUrl, "C:\\NAME=A, IP=10.0.0.1, PORT=3339, URL=http://h, ACC=joe",
         "NAME (A), IP (10.0.0.1), PORT3339, URL (http://h), ACC (joe)"},
        {"serial", serial, "C:\\COM=2", "COM2"},
        {"dial-up", dial, "C:\\NAME=D, PHONE=555, DEVICE=modem, PHBOOK=pb",
         "NAME (D), PHONE (555), DEVICE (modem), PHBOOK (pb)"},
    };
    for (const Case& c : cases) {
        std::string s;
        EXPECT_STREQ(c.host.FormatHostName(&s, 0), c.stored) << c.what;
        EXPECT_STREQ(c.host.FormatHostName(&s, 1), c.display) << c.what;
        EXPECT_EQ(c.host.FormatHostName(nullptr, 0), nullptr);
    }
}

TEST(HostEntry, StoredTextsRoundTrip)
{
    CHostEntry h = tcpHost();
    h.m_szURL = "http://h";
    h.m_szAccount = "acc";
    h.m_nVersion = 305;
    h.m_tLastAccess = localTime(2024, 3, 5, 14, 7, 9);
    h.m_nCount = 42;
    h.m_szMfgSerial = "SN1";
    std::string name, data;
    h.FormatHostName(&name, 0);
    h.FormatHostData(&data, 0);
    EXPECT_EQ(data, "Ver=3.05, LastAccess=05/03/2024 14:07:09, Count=42, MfgSerial=SN1");

    CHostEntry back;
    EXPECT_EQ(back.SetHostFromName(name.c_str()), 1);
    EXPECT_EQ(back.SetHostFromData(data.c_str()), 1);
    EXPECT_EQ(back.m_szName, "A");
    EXPECT_EQ(back.m_szAddress, "10.0.0.1");
    EXPECT_EQ(back.m_nPort, 3339);
    EXPECT_EQ(back.m_szURL, "http://h");
    EXPECT_EQ(back.m_szAccount, "acc");
    EXPECT_EQ(back.m_nVersion, 305);
    EXPECT_EQ(back.m_tLastAccess, h.m_tLastAccess);
    EXPECT_EQ(back.m_nCount, 42u);
    EXPECT_EQ(back.m_szMfgSerial, "SN1");

    CHostEntry dial;
    EXPECT_EQ(dial.SetHostFromName("C:\\NAME=D, PHONE=555, DEVICE=m, PHBOOK=p"), 1);
    EXPECT_TRUE(dial.isDialUp());
    EXPECT_EQ(dial.m_szDevice, "m");
    CHostEntry com;
    com.SetHostFromName("C:\\COM=4");
    EXPECT_EQ(com.m_nComPort, 4);
    EXPECT_EQ(com.SetHostFromName(""), 0);
    EXPECT_EQ(com.SetHostFromData(nullptr), 0);
}

TEST(HostEntry, DataTextReadingRules)
{
    struct Case
    {
        const char* text;
        int64_t lastAccess;
        uint32_t count;
        const char* serial;
    };
    const Case cases[] = {
        {"Last=12/31/38 10:00:00", localTime(2038, 12, 31, 10, 0, 0), 0, ""},
        {"Last=12/31/39 10:00:00", localTime(1939, 12, 31, 10, 0, 0), 0, ""},
        {"LastAccess=01/02/2020 03:04:05, Count=0x10", localTime(2020, 2, 1, 3, 4, 5), 16, ""},
        {"Count=010, MfgSerial=A,B", 0, 8, "A"}, // octal; a comma ends a value
        {"Count=99999999999999999999", 0, 4294967295u, ""},
    };
    for (const Case& c : cases) {
        CHostEntry h;
        h.SetHostFromData(c.text);
        EXPECT_EQ(h.m_tLastAccess, c.lastAccess) << c.text;
        EXPECT_EQ(h.m_nCount, c.count) << c.text;
        EXPECT_EQ(h.m_szMfgSerial, c.serial) << c.text;
    }
}

TEST(HostEntry, OrderingsDecideByTheirFirstDifferentKey)
{
    CHostEntry a, b;
    a.m_tLastAccess = 200, a.m_nVersion = 100, a.m_nCount = 1;
    b.m_tLastAccess = 100, b.m_nVersion = 300, b.m_nCount = 5;
    EXPECT_EQ(a.CompareHostData(&b, 0), 1);  // last used: time first
    EXPECT_EQ(a.CompareHostData(&b, 1), -1); // most used: count first
    EXPECT_EQ(a.CompareHostData(&b, 2), -1); // highest version
    EXPECT_EQ(a.CompareHostData(nullptr, 0), 1);
    CHostEntry c(&a);
    EXPECT_EQ(a.CompareHostData(&c, 0), 0);
    c.m_nCount = 2; // equal first keys: the later ones decide
    EXPECT_EQ(a.CompareHostData(&c, 0), -1);
    CHostEntry d(nullptr);
    EXPECT_EQ(d.m_nPort, 0);
}
