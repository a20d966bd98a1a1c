#include "klv_inet/support/gen_encrypter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Freer
{
    void operator()(unsigned char* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<unsigned char, Freer>;

} // namespace

TEST(CGenEncrypter, FixedVectorWithAGivenKey)
{
    const char secret[] = "PWD";
    uint32_t len = 3;
    Buffer rec(CGenEncrypter::SimpleEncrypt(secret, &len, 0xB2A1));
    ASSERT_TRUE(rec);
    ASSERT_EQ(len, 11u);
    const unsigned char expected[11] = {0xA1,        0xB2,        0x00,        0x00,
                                        0x03 ^ 0xA1, 0x00 ^ 0xB2, 0x00 ^ 0xA1, 0x00 ^ 0xB2,
                                        'P' ^ 0xA1,  'W' ^ 0xB2,  'D' ^ 0xA1};
    EXPECT_EQ(std::memcmp(rec.get(), expected, sizeof expected), 0);

    const std::vector<unsigned char> before(rec.get(), rec.get() + len);
    uint32_t outLen = 99;
    Buffer plain(CGenEncrypter::SimpleDecrypt(rec.get(), len, &outLen));
    ASSERT_TRUE(plain);
    EXPECT_EQ(outLen, 3u);
    EXPECT_EQ(std::memcmp(plain.get(), "PWD", 4), 0);                          // zero-terminated
    EXPECT_EQ(std::vector<unsigned char>(rec.get(), rec.get() + len), before); // record unchanged
}

TEST(CGenEncrypter, RandomKeysDifferAndRoundTrip)
{
    const char pw[] = "secret12";
    uint32_t l1 = 8, l2 = 8;
    Buffer a(CGenEncrypter::SimpleEncrypt(pw, &l1));
    Buffer b(CGenEncrypter::SimpleEncrypt(pw, &l2));
    ASSERT_TRUE(a && b);
    EXPECT_NE(std::memcmp(a.get(), b.get(), 2), 0);
    for (auto* r : {a.get(), b.get()}) {
        uint32_t n = 0;
        Buffer p(CGenEncrypter::SimpleDecrypt(r, 16, &n));
        ASSERT_TRUE(p);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(p.get()), n), pw);
    }
    uint32_t one = 1;
    Buffer r(CGenEncrypter::SimpleEncrypt("Z", &one));
    ASSERT_EQ(one, 9u);
    EXPECT_EQ(r.get()[8], 'Z' ^ r.get()[0]);
}

TEST(CGenEncrypter, RefusesBadInputAndForgedRecords)
{
    uint32_t zero = 0, big = 65528;
    EXPECT_EQ(CGenEncrypter::SimpleEncrypt("x", &zero), nullptr);
    EXPECT_EQ(CGenEncrypter::SimpleEncrypt(nullptr, &big), nullptr);
    EXPECT_EQ(CGenEncrypter::SimpleEncrypt("x", nullptr), nullptr);
    std::vector<unsigned char> huge(65528, 'a');
    EXPECT_EQ(CGenEncrypter::SimpleEncrypt(huge.data(), &big), nullptr); // record would reach 65536
    uint32_t most = 65527;
    Buffer okRec(CGenEncrypter::SimpleEncrypt(huge.data(), &most, 7));
    EXPECT_TRUE(okRec);

    // A record claiming more data than it holds, a short one, an oversized one.
    unsigned char forged[12] = {0x11, 0x22, 0, 0};
    const uint32_t claimed = 0x7FFFFFFF;
    for (int i = 0; i < 4; ++i)
        forged[4 + i] = static_cast<unsigned char>((claimed >> (8 * i)) ^ (i & 1 ? 0x22 : 0x11));
    uint32_t n = 5;
    EXPECT_EQ(CGenEncrypter::SimpleDecrypt(forged, sizeof forged, &n), nullptr);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(CGenEncrypter::SimpleDecrypt(forged, 7, &n), nullptr);
    EXPECT_EQ(CGenEncrypter::SimpleDecrypt(nullptr, 12, &n), nullptr);
    std::vector<unsigned char> tooBig(65536, 0);
    EXPECT_EQ(CGenEncrypter::SimpleDecrypt(tooBig.data(), tooBig.size(), &n), nullptr);
    // A well-formed record cut short by one byte.
    uint32_t len = 3;
    Buffer rec(CGenEncrypter::SimpleEncrypt("abc", &len, 0x0101));
    EXPECT_EQ(CGenEncrypter::SimpleDecrypt(rec.get(), len - 1, &n), nullptr);
}
