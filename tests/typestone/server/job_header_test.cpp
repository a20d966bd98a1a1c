#include "typestone/server/job_header.h"

#include "tests/support/host/job_request.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace typestone;

TEST(JobHeader, DecodesTheRecordOfAHostHeader)
{
    valdor::JobRequest request;
    request.printer = "Laser";
    request.password = "pw";
    request.cols = 132;
    request.rows = 66;
    request.options = valdor::kOptionRaw;
    request.colour = 7;
    request.docName = "INVOICE";
    request.output = "C:\\PDF\\X.PDF";
    request.version = 0x0164;
    const std::vector<uint8_t> h = valdor::buildHeader(request);
    ASSERT_EQ(h.size(), kJobHeaderSize);

    EXPECT_EQ(CheckJobHeader(h.data()), HeaderVerdict::Ok);
    EXPECT_EQ(JobHeaderVersion(h.data()), 0x0164);
    const INIT_DATA d = DecodeInitData(h.data());
    EXPECT_EQ(FieldText(d.printer), "Laser");
    EXPECT_EQ(FieldText(d.password), "pw");
    EXPECT_EQ(uint16_t(d.cols), 132);
    EXPECT_EQ(uint16_t(d.rows), 66);
    EXPECT_EQ(uint16_t(d.options), kOptionBypass);
    EXPECT_EQ(d.snd_color, 7);
    EXPECT_EQ(FieldText(d.docname), "INVOICE");
    EXPECT_EQ(FieldText(d.output), "C:\\PDF\\X.PDF");

    const INIT_DATA dflt = DefaultInitData();
    EXPECT_EQ(uint16_t(dflt.cols), 80);
    EXPECT_EQ(uint16_t(dflt.rows), 58);
    EXPECT_EQ(dflt.snd_color, 15);
    EXPECT_EQ(uint16_t(dflt.options), 0);
}

// A host may fill a text field to its last byte: the copy stops at the field's width.
TEST(JobHeader, UnterminatedFieldsStayWithinTheirWidth)
{
    std::vector<uint8_t> h = valdor::buildHeader({});
    std::memset(h.data() + kInitDataOffset, 'P', 255);     // printer, no NUL
    std::memset(h.data() + kInitDataOffset + 255, 'W', 9); // password, no NUL
    const INIT_DATA d = DecodeInitData(h.data());
    EXPECT_EQ(FieldText(d.printer), std::string(255, 'P'));
    EXPECT_EQ(FieldText(d.password), std::string(9, 'W'));
    EXPECT_EQ(FieldText(nullptr, 5), "");
}

TEST(JobHeader, ReplyIsLittleEndian)
{
    EXPECT_EQ(EncodeJobReply(8, 0), (std::array<uint8_t, 4>{8, 0, 0, 0}));
    EXPECT_EQ(EncodeJobReply(0, 3341), (std::array<uint8_t, 4>{0, 0, 0x0D, 0x0D}));
}
