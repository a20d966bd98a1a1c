// The barcode encoders, by the bytes they write: one table per encoder, and the choice of the
// encoder by the face name.

#include "typestone/engine/barcode_encoders.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace typestone;

namespace {

struct Outcome
{
    int result;
    std::string bytes;
};

Outcome encode(int (*encoder)(const char*, char*), const std::string& data)
{
    std::array<char, kBarcodeOutSize> out{};
    const int r = encoder(data.c_str(), out.data());
    return {r, std::string(out.data())};
}

std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

struct Case
{
    const char* what;
    std::string data;
    int result;
    std::string bytes;
};

void check(int (*encoder)(const char*, char*), const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = encode(encoder, c.data);
        EXPECT_EQ(o.result, c.result);
        EXPECT_EQ(o.bytes, c.bytes);
    }
}

} // namespace

TEST(BarcodeEncoders, Ean13)
{
    check(&Typst_EAN13, {
                            {"the parities of first digit 4", "400638133393", 0, "4AKGDSL*dddjdb+"},
                            {"a 13th digit is ignored", "4006381333939", 0, "4AKGDSL*dddjdb+"},
                            {"first digit 0: all of set A", "012345678901", 0, "0BCDEFG*hijabc+"},
                            {"a short text counts missing digits as 0", "9", 0, "9AKKAKA*aaaaab+"},
                            {"a non-digit counts as 0", "4x0638133393", 0, "4AKGDSL*dddjdb+"},
                            {"empty data is all zeros", "", 0, "0AAAAAA*aaaaaa+"},
                        });
}

TEST(BarcodeEncoders, Code39AndWide39)
{
    check(&Typst_Code39, {
                             {"upper case between the delimiters", "abc-1", 0, "*ABC-1*"},
                             {"every special character of the set", "A $/+%.Z", 0, "*A $/+%.Z*"},
                             {"already delimited: as it is", "*ABC*", 1, ""},
                             {"a lone delimiter begins and ends", "*", 1, ""},
                             {"empty", "", 1, ""},
                             {"a character without bars", "AB#C", -1, ""},
                             {"a delimiter at one end only", "*ABC", -1, ""},
                         });
    check(&Typst_wide39, {
                             {"upper case between the delimiters", "abc-1", 0, "@ABC-1@"},
                             {"already delimited: as it is", "@12@", 1, ""},
                             {"the narrow delimiter is no character of the data", "*12*", -1, ""},
                             {"empty", "", 1, ""},
                         });
}

TEST(BarcodeEncoders, Code128AAndB)
{
    check(&Typst_Code128b, {
                               {"one letter", "A", 0, bytes({154, 'A', 66, 156})},
                               // (104 + 1 x 0 + 2 x 33) mod 103 = 67 -> 99
                               {"a space is 194 and counts 0", " A", 0, bytes({154, 194, 'A', 99, 156})},
                               // check values 0 and 95..102 have their own characters
                               {"check 0", "\xCA", 0, bytes({154, 202, 194, 156})},
                               {"check 95", "~", 0, bytes({154, '~', 195, 156})},
                               {"check 96", "\xC3", 0, bytes({154, 195, 196, 156})},
                               {"check 102", "\xC9", 0, bytes({154, 201, 202, 156})},
                               {"lower case", "ab", 0, bytes({154, 'a', 'b', 195, 156})},
                               {"empty", "", 1, ""},
                               {"a control byte", "A\x01", -1, ""},
                               {"DEL", "\x7F", -1, ""},
                               {"a byte between the sets", "\x99", -1, ""},
                               {"the space character itself", "\xC2", -1, ""},
                               {"above the specials", "\xCB", -1, ""},
                           });
    check(&Typst_Code128a, {
                               // (103 + 33 + 2 x 34) mod 103 = 101 -> 201
                               {"two letters", "AB", 0, bytes({153, 'A', 'B', 201, 156})},
                               {"check 0", " ", 0, bytes({153, 194, 194, 156})},
                               {"empty", "", 1, ""},
                               {"a control byte", "\x1F", -1, ""},
                           });
}

// Every check value from 95 to 102 has its character 195..202, after 0 (194) and 94 (126).
TEST(BarcodeEncoders, Code128CheckCharacters)
{
    // One data character of value v gives the check (104 + v) mod 103.
    for (unsigned check = 94; check <= 103; ++check) {
        const unsigned value = check - 1; // 93..102; check 103 is 0
        const int byte = value <= 94 ? static_cast<int>(value) + 32 : static_cast<int>(value) + 100;
        const int expected = check == 103  ? 194
                             : check <= 94 ? static_cast<int>(check) + 32
                                           : static_cast<int>(check) + 100;
        SCOPED_TRACE(check);
        const Outcome o = encode(&Typst_Code128b, std::string(1, static_cast<char>(byte)));
        EXPECT_EQ(o.result, kBarcodeEncoded);
        EXPECT_EQ(o.bytes, bytes({154, byte, expected, 156}));
    }
}

TEST(BarcodeEncoders, Code128C)
{
    check(&Typst_Code128c,
          {
              {"odd digit count padded, non-digits dropped", "12a345", 0, bytes({155, 33, 55, 77, 113, 156})},
              {"pairs 0 and 95..99", "009599", 0,
               bytes({155, 194, 195, 199, (105 + 190 + 297) % 103 + 32, 156})},
              // 105 + 1 x 98 = 203, 203 mod 103 = 100 -> 200
              {"check 100", "98", 0, bytes({155, 198, 200, 156})},
              // 105 + 1 x 1 = 106 -> 3 -> 35; one digit becomes 01
              {"a single digit", "1", 0, bytes({155, 33, 35, 156})},
              {"empty", "", 1, ""},
              {"no digit at all", "abc", -1, ""},
          });
}

TEST(BarcodeEncoders, EncoderChosenByFaceName)
{
    struct Choice
    {
        const char* face;
        std::string result; // what the encoder wrote for "12"
        bool ean;
    };
    const Choice choices[] = {
        {"Wide39", "@12@", false},
        {"My Wide 39 face", "@12@", false},
        {"3 of 9 Barcode", "*12*", false},
        {"Free3of9", "*12*", false},
        {"Code39", "*12*", false},
        {"Code 39", "*12*", false},
        {"Code128A", bytes({153, '1', '2', (103 + 17 + 2 * 18) % 103 + 32, 156}), false},
        {"Code128B", bytes({154, '1', '2', (104 + 17 + 2 * 18) % 103 + 32, 156}), false},
        {"CODE128c", bytes({155, 44, (105 + 12) % 103 + 32, 156}), false},
        {"EAN 13", "1CAKAKK*aaaaad+", true},
        {"ean-13 font", "1CAKAKK*aaaaad+", true},
    };
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.face);
        std::array<char, kBarcodeOutSize> out{};
        bool ean = !c.ean;
        EXPECT_EQ(Typst_Encode(c.face, "12", out.data(), &ean), kBarcodeEncoded);
        EXPECT_EQ(std::string(out.data()), c.result);
        EXPECT_EQ(ean, c.ean);
    }
    for (const char* none : {"Code128", "", "Arial", "EAN", "Code 13"}) {
        SCOPED_TRACE(none);
        std::array<char, kBarcodeOutSize> out{};
        bool ean = true;
        EXPECT_EQ(Typst_Encode(none, "12", out.data(), &ean), kBarcodeAsIs);
        EXPECT_EQ(out[0], '\0');
        EXPECT_FALSE(ean);
    }
}

TEST(BarcodeEncoders, DataBeyondTheBufferIsRefused)
{
    for (const char* face : {"Code39", "Wide39", "Code128A", "Code128B", "Code128C", "EAN13"}) {
        SCOPED_TRACE(face);
        std::array<char, kBarcodeOutSize> out{};
        const std::string longest(kBarcodeMaxData, '7');
        EXPECT_EQ(Typst_Encode(face, longest.c_str(), out.data()), kBarcodeEncoded);
        EXPECT_EQ(out[kBarcodeOutSize - 1], '\0');
        std::array<char, kBarcodeOutSize> none{};
        EXPECT_EQ(Typst_Encode(face, (longest + "7").c_str(), none.data()), kBarcodeNotEncoded);
        EXPECT_EQ(none[0], '\0');
    }
    // Without an encoder the text is printed as it is, whatever its length.
    std::array<char, kBarcodeOutSize> out{};
    EXPECT_EQ(Typst_Encode("Arial", std::string(2000, 'x').c_str(), out.data()), kBarcodeAsIs);
}
