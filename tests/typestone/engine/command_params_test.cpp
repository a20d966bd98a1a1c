// The command groups' parameter structs: what they read from a padded block and how they
// describe themselves, and the description in the error text of a command that failed.

#include "typestone/engine/area_params.h"
#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_table.h"
#include "typestone/engine/file_params.h"
#include "typestone/engine/font_text_params.h"
#include "typestone/engine/win_prt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace typestone;

namespace {

// A block as ExecCmd hands it over: the sent bytes, zeros up to the minimum, one more zero.
struct PaddedBlock
{
    PaddedBlock(uint16_t cmd, const std::string& sent, uint32_t minLen)
        : bytes(std::max<size_t>(sent.size(), minLen) + 1, 0)
    {
        std::memcpy(bytes.data(), sent.data(), sent.size());
        block.header.wCmd = cmd;
        block.data = bytes.data();
        block.length = static_cast<uint32_t>(sent.size());
        block.readable = static_cast<uint32_t>(bytes.size());
    }
    std::vector<uint8_t> bytes;
    EscBlock block;
};

std::string le32(int32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

} // namespace

TEST(CommandParams, DescribeThemselvesFromPaddedBlocks)
{
    struct Case
    {
        const char* name;
        uint16_t code;
        std::string sent;
        std::string description;
    };
    const Case cases[] = {
        {"FontName", kCmdSetFontName, "Courier New", "Font='Courier New'"},
        {"FontNameFillsItsField", kCmdSetFontName, std::string(32, 'F') + "rest",
         "Font='" + std::string(32, 'F') + "'"},
        {"FontSizeGrid", kCmdSetFontSize, le32(-132) + le32(66) + le32(1),
         "nHeight=66, nWidth=-132 - Font_Unit=1->_COL_ROW_FONT"},
        {"FontSizeUnknownUnit", kCmdSetFontSize, le32(0) + le32(5) + le32(9),
         "nHeight=5, nWidth=0 - Font_Unit=9->Undefined -> _10THPOINT_FONT"},
        {"FontSizeShortBlockReadsZeros", kCmdSetFontSize, le32(12),
         "nHeight=0, nWidth=12 - Font_Unit=0->_10THPOINT_FONT"},
        {"FontStyle", kCmdSetFontStyle, std::string("\x06\x01", 2), "Style=262"},
        {"FontColor", kCmdSetFontColor, le32(0xFF0000) + le32(-1), "FG_color=16711680, BG_color=-1"},
        {"FontAlign", kCmdSetFontAlign, std::string("\x23", 1), "align=0x00000023"},
        {"SelectArea", kCmdPrtSelectArea, std::string("\x03\x00\xAA\xBB", 4) + le32(-2),
         "win=3 (0x00000003), mode=-2 (0xfffffffe)"},
    };
    const CommandTable& table = CommandTable::builtIn();
    for (const Case& c : cases) {
        const CmdSlot& slot = table.commands[c.code];
        ASSERT_TRUE(slot.describe) << c.name;
        const PaddedBlock b(c.code, c.sent, slot.minLen);
        EXPECT_EQ(slot.describe(b.block), c.description) << c.name;
    }
}

TEST(CommandParams, PrintFileBlock)
{
    std::string sent("\x01\x80\x02\x00\x03\x00", 6);
    sent += std::string(18, '\x07');
    sent += "C:\\DIR\\F.TXT";
    const PaddedBlock b(kCmdPrintFile, sent, PrintFileParams::kMinLen);
    PrintFileParams p;
    EXPECT_TRUE(p.decode(b.block));
    EXPECT_EQ(p.flags, 0x8001);
    EXPECT_EQ(p.first, 2);
    EXPECT_EQ(p.count, 3);
    EXPECT_EQ(p.facts[17], 7);
    EXPECT_EQ(p.name, "C:\\DIR\\F.TXT");

    // A block shorter than the layout, without the padding, fails and reads zeros.
    const uint8_t shortBlock[3] = {1, 2, 3};
    EscBlock bare{EscHeader{}, shortBlock, 3, 3};
    PrintFileParams q;
    EXPECT_FALSE(q.decode(bare));
    EXPECT_EQ(q.count, 0);
    EXPECT_TRUE(q.name.empty());
}

// Every command code names the slot of its command.
TEST(CommandParams, CodesNameTheirSlots)
{
    struct Case
    {
        uint16_t code;
        const char* name;
    };
    const Case cases[] = {{kCmdPrintBitmap, "PrintBitmap"},
                          {kCmdChangeFont, "ChangeFont"},
                          {kCmdSetDCA, "SetDCA"},
                          {kCmdPrtWindow, "PrtWindow"},
                          {kCmdSetFontName, "SetFontName"},
                          {kCmdSetFontSize, "SetFontSize"},
                          {kCmdSetFontStyle, "SetFontStyle"},
                          {kCmdSetFontColor, "SetFontColor"},
                          {kCmdSetFontAlign, "SetFontAlign"},
                          {kCmdSetPrtMode, "SetPrtMode"},
                          {kCmdPrtImage, "PrtImage"},
                          {kCmdPrtSelectArea, "PrtSelectArea"},
                          {kCmdPrtChangeArea, "PrtChangeArea"},
                          {kCmdSetRotation, "SetRotation"},
                          {kCmdSetDfltUnits, "SetDfltUnits"},
                          {kCmdSetPos, "SetPos"},
                          {kCmdPrintFile, "PrintFile"},
                          {kCmdRecPage, "RecPage"},
                          {kCmdInsertField, "InsertField"},
                          {kCmdPrtRecord, "PrtRecord"},
                          {kCmdPrtFileRecords, "PrtFileRecords"},
                          {kCmdPrtLog, "PrtLog"},
                          {kCmdBarCodes, "BarCodes"},
                          {kCmdQRCode, "QRCode"},
                          {kCmdSetFontEffect, "SetFontEffect"},
                          {kCmdPDFDocument, "PDFDocument"},
                          {kCmdPrtDocname, "PrtDocname"},
                          {kCmdPrtOutput, "PrtOutput"}};
    const CommandTable& table = CommandTable::builtIn();
    int filled = 0;
    for (const CmdSlot& slot : table.commands)
        filled += slot.handler ? 1 : 0;
    EXPECT_EQ(filled, 28);
    for (const Case& c : cases) {
        ASSERT_NE(table.commands[c.code].name, nullptr) << c.name;
        EXPECT_STREQ(table.commands[c.code].name, c.name);
        EXPECT_TRUE(table.commands[c.code].handler) << c.name;
    }
}

namespace {

class TraceHost : public EngineHost
{
public:
    bool TraceOn(uint32_t mask) override { return mask == kTrzJobs; }
    void TraceText(const std::string& text) override { trace += text; }
    std::string trace;
};

} // namespace

// A command that fails is reported with its description.
TEST(CommandParams, FailedCommandIsReportedWithItsParameters)
{
    CommandTable table = CommandTable::builtIn();
    table.commands[kCmdSetFontSize].handler = [](CWinPrt&, const EscBlock&) { return false; };
    CWinPrt prt(&table);
    TraceHost host;
    prt.SetHost(&host);
    prt.SetTextSink([](const char*, size_t) {});
    EscHeader h;
    h.wVersion = 100;
    h.wCmd = kCmdSetFontSize;
    h.dwLen = 12;
    h.wChk = h.computeChecksum();
    uint8_t hdr[12];
    h.encode(hdr);
    const std::string stream =
        std::string(reinterpret_cast<const char*>(hdr), 12) + le32(-132) + le32(66) + le32(1);
    prt.PrintData(stream.data(), stream.size(), true);
    EXPECT_NE(host.trace.find("\nCWinPrt::showError(code=4096): Page #0: Command #7 (0x0007) -> SetFontSize\n"
                              "Data\nnHeight=66, nWidth=-132 - Font_Unit=1->_COL_ROW_FONT"),
              std::string::npos)
        << host.trace;
    EXPECT_EQ(prt.LastError(), kErrCommand);
}
