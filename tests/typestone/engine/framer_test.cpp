// The print-stream framer with a fake handler table: what reaches the text output, the
// control actions and the command handlers, for streams that probe the framing.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_table.h"
#include "typestone/engine/engine_host.h"
#include "typestone/engine/esc_block.h"
#include "typestone/engine/win_prt.h"

#include "platform/ui/ui_bridge.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

using typestone::CommandTable;
using typestone::CWinPrt;
using typestone::EscBlock;
using typestone::EscHeader;

namespace {

using Bytes = std::string;

Bytes header(uint16_t cmd, uint32_t len, uint16_t version = 100, int checksumDelta = 0)
{
    EscHeader h;
    h.wVersion = version;
    h.wCmd = cmd;
    h.dwLen = len;
    h.wChk = static_cast<uint16_t>(h.computeChecksum() + checksumDelta);
    uint8_t out[12];
    h.encode(out);
    return Bytes(reinterpret_cast<const char*>(out), 12);
}

Bytes block(uint16_t cmd, const Bytes& params, uint16_t version = 100)
{
    return header(cmd, static_cast<uint32_t>(params.size()), version) + params;
}

std::string hex(const uint8_t* p, size_t n)
{
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

// A job whose tables log every dispatch. Text is merged across flushes, so the log does not
// depend on where the stream was cut into chunks.
class FakeJob
{
public:
    FakeJob()
    {
        const CommandTable& real = CommandTable::builtIn();
        for (size_t code = 0; code < real.commands.size(); ++code) {
            m_table.commands[code] = real.commands[code];
            if (!real.commands[code].handler)
                continue;
            m_table.commands[code].handler = [this, code](CWinPrt&, const EscBlock& b) {
                // Every byte past the block up to the readable end must be zero.
                bool padded = b.readable > b.length && b.readable >= m_table.commands[code].minLen + 1;
                for (uint32_t i = b.length; i < b.readable; ++i)
                    padded = padded && b.data[i] == 0;
                add("cmd " + std::to_string(code) + " len=" + std::to_string(b.length) +
                    " data=" + hex(b.data, b.length) + (padded ? "" : " UNPADDED"));
                return true;
            };
        }
        for (size_t row = 0; row < real.controls.size(); ++row) {
            m_table.controls[row] = real.controls[row];
            const std::string name = real.controls[row].name;
            m_table.controls[row].action = [this, name, row](CWinPrt& p) {
                add("ctl " + name);
                if (row == typestone::kEscapeRow)
                    p.SetLiteralNext();
                return true;
            };
        }
        m_prt = std::make_unique<CWinPrt>(&m_table);
        m_prt->SetTextSink([this](const char* t, size_t n) {
            if (!m_log.empty() && m_log.back().rfind("text ", 0) == 0)
                m_log.back() += std::string(t, n);
            else
                m_log.push_back("text " + std::string(t, n));
        });
    }

    void feed(const Bytes& stream, size_t chunk)
    {
        for (size_t at = 0; at < stream.size(); at += chunk) {
            const size_t n = std::min(chunk, stream.size() - at);
            m_prt->PrintData(stream.data() + at, n, true);
        }
        m_prt->EndOfStream();
    }

    CWinPrt& prt() { return *m_prt; }
    const std::vector<std::string>& log() const { return m_log; }
    void setHandler(size_t code, typestone::CmdHandler h) { m_table.commands[code].handler = std::move(h); }
    void add(std::string line) { m_log.push_back(std::move(line)); }

private:
    CommandTable m_table;
    std::unique_ptr<CWinPrt> m_prt;
    std::vector<std::string> m_log;
};

struct FramerCase
{
    const char* name;
    Bytes stream;
    std::vector<std::string> expected;
};

Bytes badHeaderHidingBlock()
{
    // A false header FD FD 'A' 'B' whose last eight bytes are the start of a sound block.
    const Bytes real = block(8, Bytes("\x05\x00", 2));
    Bytes s = Bytes("\xFD\xFD", 2) + "AB" + real;
    return s;
}

std::vector<FramerCase> framerCases()
{
    const Bytes style = block(8, Bytes("\x05\x00", 2));
    return {
        {"LoneFdIsText",
         "A\xFD"
         "B",
         {"text A\xFD"
          "B"}},
        {"LoneFdBeforeText", "\xFDZ", {"text \xFDZ"}},
        {"BadChecksumHidingValidBlock",
         badHeaderHidingBlock() + "C",
         {"text \xFD\xFD"
          "AB",
          "cmd 8 len=2 data=0500", "text C"}},
        // (Headers given back below hold no control bytes, which would act as controls.)
        {"BadChecksumGivesBackHeader",
         header(0x41, 0x4141, 100, 1) + "xy",
         {"text " + header(0x41, 0x4141, 100, 1) + "xy"}},
        {"EscapeBeforeLineFeed",
         "A\x1B\x0A"
         "B",
         {"text A", "ctl Escape",
          "text \x0A"
          "B"}},
        {"EscapeBeforeBlock", "\x1B" + style + "\x0A", {"ctl Escape", "cmd 8 len=2 data=0500", "text \x0A"}},
        {"TabOnlyFlushes", "A\tB", {"text A", "ctl Tabulate", "text B"}},
        {"ControlBytesRunActions",
         "x\x0E"
         "y\x0F\r\n\x0C",
         {"text x", "ctl Bon", "text y", "ctl Boff", "ctl DoCR", "ctl Down", "ctl EjectPage"}},
        {"Version101Skipped", block(8, Bytes("\x05\x00", 2), 101) + "t", {"text t"}},
        {"EmptySlot3Skipped", block(3, "abc") + "t", {"text t"}},
        {"Code44Skipped", block(44, "abc") + "t", {"text t"}},
        {"ShortBlockZeroPadded", block(1, "0123456789"), {"cmd 1 len=10 data=30313233343536373839"}},
        {"EmptyBlockRunsAtOnce", block(22, "") + "t", {"cmd 22 len=0 data=", "text t"}},
        {"HugeLengthIsBrokenHeader",
         header(8, 0x7FFFFFFFu) + "zz",
         {"text " + header(8, 0x7FFFFFFFu) + "zz"}},
        {"PartialHeaderAtEndIsText",
         "q" + header(0x41, 0x4141).substr(0, 7),
         {"text q" + header(0x41, 0x4141).substr(0, 7)}},
        {"ControlByteInFalseHeaderActs",
         header(8, 2, 100, 1).substr(0, 7) + "!",
         {"text " + Bytes("\xFD\xFD"
                          "d\0\x08\0",
                          6),
          "ctl CmpOn", "text !"}},
        {"PartialParametersAtEndDropped", "q" + header(8, 4) + "ab", {"text q"}},
        // Given back, the run of FD bytes opens another header; that one is given back too.
        {"RunOfFdAtEndIsText", "q\xFD\xFD\xFD\xFD\xFD", {"text q\xFD\xFD\xFD\xFD\xFD"}},
    };
}

class FramerTest : public ::testing::TestWithParam<FramerCase>
{
};

TEST_P(FramerTest, DispatchesAsExpected)
{
    FakeJob job;
    job.feed(GetParam().stream, GetParam().stream.size());
    EXPECT_EQ(job.log(), GetParam().expected);
}

TEST_P(FramerTest, SameLogWhateverTheChunks)
{
    FakeJob one;
    FakeJob big;
    one.feed(GetParam().stream, 1);
    big.feed(GetParam().stream, 1024);
    EXPECT_EQ(one.log(), big.log());
    EXPECT_EQ(one.log(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Streams, FramerTest, ::testing::ValuesIn(framerCases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FramerChunks, LongMixedStreamSameIn1And1024ByteChunks)
{
    Bytes stream;
    for (int i = 0; i < 300; ++i) {
        stream += "line " + std::to_string(i) + "\xFDx";
        stream += block(static_cast<uint16_t>(i % 44), Bytes(static_cast<size_t>(i % 40), 'p'));
        stream += "\x1B\x0A\r\n";
        if (i % 7 == 0)
            stream += header(9, 8, 100, 3); // broken header in the text
    }
    FakeJob one;
    FakeJob big;
    one.feed(stream, 1);
    big.feed(stream, 1024);
    EXPECT_EQ(one.log(), big.log());
    EXPECT_GT(one.log().size(), 1500u);
}

TEST(FramerLimits, InlinePictureOfAPageIsOneBlockNotText)
{
    // An A4 page at 600 dpi in 24 bits is about 100 MB: far above what text commands need, but
    // still one block, never printed as text.
    const size_t size = 100u * 1024u * 1024u;
    Bytes stream = header(typestone::kCmdPrtImage, static_cast<uint32_t>(size));
    stream.resize(stream.size() + size, '\x80');
    stream += "after";
    FakeJob job;
    size_t got = 0;
    bool whole = false;
    job.setHandler(typestone::kCmdPrtImage, [&](CWinPrt&, const EscBlock& b) {
        got = b.length;
        whole = b.data[0] == 0x80 && b.data[b.length - 1] == 0x80 && b.data[b.length] == 0;
        return true;
    });
    job.feed(stream, 1 << 20);
    EXPECT_EQ(got, size);
    EXPECT_TRUE(whole);
    EXPECT_EQ(job.log(), (std::vector<std::string>{"text after"}));
}

TEST(FramerLimits, LengthAboveTheBoundIsABrokenHeader)
{
    // (Command 8: a code that is no control byte, so the header given back reads as text.)
    const Bytes h = header(8, typestone::kEscMaxParamLen + 1);
    FakeJob job;
    job.feed(h + "zz", 64);
    EXPECT_EQ(job.log(), (std::vector<std::string>{"text " + h + "zz"}));
}

TEST(FramerReentry, HandlerFeedingBlocksBackKeepsItsOwnBlock)
{
    FakeJob job;
    job.setHandler(22, [&job](CWinPrt& p, const EscBlock& b) {
        const std::string before(reinterpret_cast<const char*>(b.data), b.length);
        const Bytes nested = "x" + block(8, Bytes("\x05\x00", 2)) + "y";
        p.PrintData(nested.data(), nested.size(), true);
        job.add("outer " + std::string(reinterpret_cast<const char*>(b.data), b.length) +
                (before == std::string(reinterpret_cast<const char*>(b.data), b.length) ? " intact"
                                                                                        : " CHANGED"));
        return true;
    });
    job.feed("a" + block(22, "OUTER!") + "b", 1024);
    EXPECT_EQ(job.log(), (std::vector<std::string>{"text ax", "cmd 8 len=2 data=0500", "text y",
                                                   "outer OUTER! intact", "text b"}));
}

// The unsupported-command dialog, with messages on.
class UnsupportedDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ui = std::make_shared<platform::ui::ScriptedUiBridge>();
        platform::ui::setBridge(m_ui);
        m_job.prt().SetConfig(nullptr, true);
    }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    std::vector<std::string> boxTexts(size_t from = 0) const
    {
        std::vector<std::string> texts;
        const auto calls = m_ui->calls();
        for (size_t i = from; i < calls.size(); ++i) {
            const auto& call = calls[i];
            if (call.kind == platform::ui::ScriptedUiBridge::Call::Kind::MessageBox)
                texts.push_back(call.box.text);
            else if (call.kind == platform::ui::ScriptedUiBridge::Call::Kind::UnsupportedCommand)
                texts.push_back(call.report.text);
        }
        return texts;
    }

    std::shared_ptr<platform::ui::ScriptedUiBridge> m_ui;
    FakeJob m_job;
};

TEST_F(UnsupportedDialogTest, Version101NamesBothVersions)
{
    m_job.feed(block(8, Bytes("\x05\x00", 2), 101), 1024);
    const auto texts = boxTexts();
    ASSERT_EQ(texts.size(), 1u);
    const std::string last = texts[0].substr(texts[0].rfind('\n') + 1);
    EXPECT_EQ(last, "Command Version: Required=1.01, Supported=1.00");
}

TEST_F(UnsupportedDialogTest, UnknownCodesAreNamedUnknown)
{
    for (uint16_t code : {3, 44}) {
        const size_t before = m_ui->calls().size();
        m_job.feed(block(code, "abc"), 1024);
        const auto texts = boxTexts(before);
        ASSERT_EQ(texts.size(), 1u) << code;
        EXPECT_NE(texts[0].find("Command #" + std::to_string(code) + " "), std::string::npos) << texts[0];
        EXPECT_NE(texts[0].find("-> Unknown"), std::string::npos) << texts[0];
        EXPECT_EQ(texts[0].find("Command Version"), std::string::npos) << texts[0];
    }
}

// A host that keeps every trace line with its mask, with traces on for every area.
class TracingHost : public typestone::EngineHost
{
public:
    bool TraceOn(uint32_t mask) override
    {
        m_mask = mask;
        return true;
    }
    void TraceText(const std::string& text) override { lines.emplace_back(m_mask, text); }
    bool ExtendedDebug() override { return extendedDebug; }
    std::string VersionText() override { return "Typestone 2.42"; }

    // The lines under `mask` that hold `part`.
    size_t count(uint32_t mask, const std::string& part) const
    {
        return std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
            return l.first == mask && l.second.find(part) != std::string::npos;
        });
    }

    std::vector<std::pair<uint32_t, std::string>> lines;
    bool extendedDebug = false;

private:
    uint32_t m_mask = 0;
};

// The report is traced under the core area whether or not a dialog may be shown; the dialog
// comes only with messages on.
TEST_F(UnsupportedDialogTest, TraceLineGoesUnderTheCoreArea)
{
    for (const bool messages : {true, false}) {
        TracingHost host;
        m_job.prt().SetHost(&host);
        m_job.prt().SetConfig(nullptr, messages);
        const size_t before = m_ui->calls().size();
        m_job.feed(block(44, "abc"), 1024);
        const std::string line = "\nERROR----\nCWinPrt::ExecCmd()-Text Processor\nPage #0: Command #44 "
                                 "(0x002c) -> Unknown\n-------\n";
        EXPECT_EQ(host.count(typestone::kTrzCore, line), 1u) << messages;
        EXPECT_EQ(host.count(typestone::kTrzJobs, "ERROR----"), 0u) << messages;
        EXPECT_EQ(boxTexts(before).size(), messages ? 1u : 0u) << messages;
        m_job.prt().SetHost(nullptr);
    }
}

TEST_F(UnsupportedDialogTest, DialogShowsVersionLineAndTitleWithExtendedDebug)
{
    TracingHost host;
    m_job.prt().SetHost(&host);
    for (const bool extended : {false, true}) {
        host.extendedDebug = extended;
        const size_t before = m_ui->calls().size();
        m_job.feed(block(8, Bytes("\x05\x00", 2), 150), 1024);
        const auto calls = m_ui->calls();
        ASSERT_EQ(calls.size(), before + 1) << extended;
        const auto& report = calls.back().report;
        EXPECT_EQ(calls.back().kind, platform::ui::ScriptedUiBridge::Call::Kind::UnsupportedCommand);
        EXPECT_EQ(report.caption, "Error: Unsupported Command");
        EXPECT_EQ(report.text, std::string("Typestone 2.42\n\n") +
                                   (extended ? "CWinPrt::ExecCmd()-Text Processor\n" : "") +
                                   "Page #0: Command #8 (0x0008) -> Unknown\n\n"
                                   "Command Version: Required=1.50, Supported=1.00");
        // The engine alone knows of no update.
        EXPECT_FALSE(static_cast<bool>(report.update));
        EXPECT_GT(report.timeoutMs, 0u);
    }
    m_job.prt().SetHost(nullptr);
}

// "Ignore Unsupported Commands" silences the dialog for the rest of the job, not the trace;
// the next job shows it again.
TEST_F(UnsupportedDialogTest, IgnoreTickedSilencesTheRestOfTheJob)
{
    TracingHost host;
    m_job.prt().SetHost(&host);
    m_ui->pushReportAnswer(true);
    const Bytes bad = block(3, "x");
    m_job.feed(bad + "a" + bad + "b" + bad, 1024);
    EXPECT_EQ(boxTexts().size(), 1u);
    EXPECT_EQ(host.count(typestone::kTrzCore, "ERROR----"), 3u);
    EXPECT_EQ(m_job.log(), (std::vector<std::string>{"text ab"}));

    m_job.prt().SetConfig(nullptr, true);
    m_job.feed(bad, 1024);
    EXPECT_EQ(boxTexts().size(), 2u);
    m_job.prt().SetHost(nullptr);
}

// Nobody closes the dialog: it ends at its own time-out and the job goes on.
TEST_F(UnsupportedDialogTest, UnansweredDialogEndsAndTheJobGoesOn)
{
    m_ui->hold();
    m_ui->setHoldLimit(std::chrono::milliseconds(100));
    m_job.feed("a" + block(3, "x") + "b", 1024);
    const auto calls = m_ui->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].timedOut);
    EXPECT_EQ(m_job.log(), (std::vector<std::string>{"text ab"}));
    m_ui->release();
}

TEST(Translation, ControlBytesCarryTheirRow)
{
    CWinPrt prt;
    const auto& bytes = CommandTable::controlBytes();
    for (size_t row = 0; row < bytes.size(); ++row)
        EXPECT_EQ(prt.TransEntry(bytes[row]), ((0x80u | row) << 8) | bytes[row]) << row;
    int controls = 0;
    for (int b = 0; b < 256; ++b)
        controls += (prt.TransEntry(static_cast<uint8_t>(b)) & 0x8000) ? 1 : 0;
    EXPECT_EQ(controls, 19);
    EXPECT_EQ(prt.TransEntry('A'), 'A');
    EXPECT_EQ(prt.TransEntry(0xFD), 0xFD);
}

TEST(Header, ChecksumMakesTheXorOfAllWordsZero)
{
    const Bytes h = header(27, 0x12345678u, 100);
    EXPECT_EQ(EscHeader::xorOfWords(reinterpret_cast<const uint8_t*>(h.data())), 0);
    const EscHeader d = EscHeader::decode(reinterpret_cast<const uint8_t*>(h.data()));
    EXPECT_EQ(d.wCmd, 27);
    EXPECT_EQ(d.dwLen, 0x12345678u);
    EXPECT_EQ(d.wVersion, 100);
}

} // namespace
