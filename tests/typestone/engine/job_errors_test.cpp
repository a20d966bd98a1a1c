// How a job reports what went wrong and how far it got: the failure texts, what showError gives
// its callers with and without messages, the print log of a job with failures, and the
// progress figures of a file printed by a command.

#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/command_codes.h"
#include "typestone/engine/engine_host.h"
#include "typestone/engine/error_text.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "klv_inet/support/msg_dlg.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/draw/fake_font_engine.h"
#include "tests/support/env/temp_dir.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <ctime>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using engine_test::DeviceLog;
using engine_test::escBlock;
using engine_test::pageCaps;
using engine_test::RecordingPageDevice;
using platform::ui::ScriptedUiBridge;
using typestone::CWinPrt;
using typestone::EngineDeviceRequest;
using Kind = ScriptedUiBridge::Call::Kind;

namespace fs = std::filesystem;

namespace {

// The program's strings from a table, and the engine's trace.
class ErrorsHost : public typestone::EngineHost
{
public:
    bool StringText(unsigned id, std::string* out) override
    {
        const auto it = strings.find(id);
        if (it == strings.end())
            return false;
        *out = it->second;
        return true;
    }
    bool TraceOn(uint32_t mask) override { return mask == typestone::kTrzJobs; }
    void TraceText(const std::string& text) override { trace += text; }
    std::string VersionText() override { return "Typestone 1.00"; }

    std::map<unsigned, std::string> strings;
    std::string trace;
};

class JobErrorsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        m_dir = m_folder.path();
        platform::ui::setBridge(m_ui);
        CMsgDlg::EnableMsgs(1);
        fs::create_directories(m_dir / "c");
        m_map.add('C', (m_dir / "c").string());
    }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    std::unique_ptr<CWinPrt> makeJob(const typestone::CommandTable* table = nullptr)
    {
        auto prt = std::make_unique<CWinPrt>(table);
        prt->SetSpoolFolder(m_dir.string());
        prt->SetFontEngine(&m_fonts);
        prt->SetDriveMap(m_map);
        prt->SetHost(&m_host);
        prt->SetDeviceFactory([this](const EngineDeviceRequest&, std::string*) {
            return std::make_unique<RecordingPageDevice>(m_log, pageCaps());
        });
        return prt;
    }

    bool run(CWinPrt& prt, const std::string& stream)
    {
        typestone::INIT_DATA r = typestone::DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        EXPECT_TRUE(prt.StartSpoolPrtJob(100, &r, "host_1"));
        EXPECT_TRUE(prt.SpoolData(stream.data(), stream.size()));
        return prt.StopSpoolPrtJob();
    }

    std::vector<ScriptedUiBridge::Call> calls(Kind kind) const
    {
        std::vector<ScriptedUiBridge::Call> out;
        for (const auto& c : m_ui->calls())
            if (c.kind == kind)
                out.push_back(c);
        return out;
    }

    static std::string readAll(const fs::path& path)
    {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    ts::support::TempDir m_folder{"engine-errors"};
    fs::path m_dir;
    typestone::DriveMap m_map;
    platform::draw::FakeFontEngine m_fonts;
    std::shared_ptr<DeviceLog> m_log = std::make_shared<DeviceLog>();
    std::shared_ptr<ScriptedUiBridge> m_ui = std::make_shared<ScriptedUiBridge>();
    ErrorsHost m_host;
};

std::string englishOnly(unsigned, const char* fallback)
{
    return fallback;
}

} // namespace

// Every code of the table has its words, the message on a line of its own; a failed command
// also asks whether to abort; any other code is shown as a number with what was tried.
TEST(ErrorText, CodeTable)
{
    struct Case
    {
        int code;
        const char* message;
        std::string expected;
    };
    const Case cases[] = {
        {5, "CreateDC()", "Error 5 (0x0005) trying CreateDC()..."},
        {1234, "EndPage()", "Error 1234 (0x04d2) trying EndPage()..."},
        {-7, "StartPage()", "Error -7 (0xfff9) trying StartPage()..."},
        {-1, "EndDoc()", "General error\nEndDoc()"},
        {-2, "EndDoc()", "Job was ended because the application\u2019s abort function returned 0.\nEndDoc()"},
        {-3, "StartPage()", "User ended the job through Print Manager.\nStartPage()"},
        {-4, "StartDoc()",
         "Not enough disk space is currently available for spooling, and no more space will become "
         "available.\nStartDoc()"},
        {-5, "", "Not enough memory is available for spooling"},
        {4096, "Page #1: Command #7 (0x0007) -> SetFontSize",
         "Error trying to execute the Advanced Print Function:\nPage #1: Command #7 (0x0007) -> "
         "SetFontSize\nOk to abort this print job  ?"},
        {0, "StartDoc() no room", "StartDoc() no room"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(typestone::ErrorText(c.code, c.message, englishOnly), c.expected) << c.code;
}

// The program's own strings take the place of the English ones, and a format of the
// program's that does not fit the arguments is shown as it stands, never read past them.
TEST(ErrorText, ProgramStringsAndFaultyFormats)
{
    const std::map<unsigned, std::string> spanish = {
        {484, "Error %d (0x%04x) al intentar %s..."},
        {482, "Sin espacio"},
        {584, "Error:"},
        {591, "¿Cancelar?"},
    };
    const auto fromTable = [&spanish](unsigned id, const char* fallback) {
        const auto it = spanish.find(id);
        return it != spanish.end() ? it->second : std::string(fallback);
    };
    EXPECT_EQ(typestone::ErrorText(5, "CreateDC()", fromTable), "Error 5 (0x0005) al intentar CreateDC()...");
    EXPECT_EQ(typestone::ErrorText(-4, "StartDoc()", fromTable), "Sin espacio\nStartDoc()");
    EXPECT_EQ(typestone::ErrorText(4096, "X", fromTable), "Error:\nX\n¿Cancelar?");
    const auto faulty = [](unsigned, const char*) { return std::string("%s %s %s %s"); };
    EXPECT_EQ(typestone::ErrorText(5, "CreateDC()", faulty), "%s %s %s %s");
}

// With messages on the person's answer comes back; with messages off no box is shown and the
// value given cannot be read as any answer, whatever the code (6 is Yes, 7 is No).
TEST_F(JobErrorsTest, ShowErrorAnswersOnlyWhenItAsked)
{
    for (const int code : {6, 7, 4096, -4}) {
        m_ui = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(m_ui);
        auto prt = makeJob();
        prt->SetConfig(nullptr, false);
        const int quiet = prt->showError("StartDoc()", code, platform::ui::kMbYesNo);
        EXPECT_EQ(quiet, typestone::kErrorNotShown) << code;
        for (const int answer : {platform::ui::kIdOk, platform::ui::kIdCancel, platform::ui::kIdYes,
                                 platform::ui::kIdNo, platform::ui::kIdTimeout})
            EXPECT_NE(quiet, answer) << code;
        EXPECT_EQ(prt->LastError(), static_cast<uint16_t>(code));
        EXPECT_TRUE(calls(Kind::MessageBox).empty()) << code;

        prt->SetConfig(nullptr, true);
        m_ui->pushBoxAnswer(platform::ui::kIdYes);
        EXPECT_EQ(prt->showError("StartDoc()", code, platform::ui::kMbYesNo), platform::ui::kIdYes) << code;
        const auto boxes = calls(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1u) << code;
        EXPECT_EQ(boxes[0].box.text, typestone::ErrorText(code, "StartDoc()", englishOnly)) << code;
        EXPECT_EQ(boxes[0].box.style & platform::ui::kMbTypeMask, platform::ui::kMbYesNo) << code;
    }
}

// The print log of a job with text, control bytes, a command that fails and one that does not
// exist: every step in the order it came, the failures in their marked lines, and the job
// printed to its end all the same.
TEST_F(JobErrorsTest, PrintLogOfAJobWithErrors)
{
    typestone::CommandTable table = typestone::CommandTable::builtIn();
    table.commands[typestone::kCmdSetFontSize].handler = [](CWinPrt&, const typestone::EscBlock&) {
        return false;
    };
    auto prt = makeJob(&table);
    const fs::path logPath = m_dir / "typst.log";
    prt->SetPrintLog(logPath.string());
    const std::string stream = "Hi\x01!\r\n" + escBlock(typestone::kCmdSetFontSize, std::string(12, '\0')) +
                               "Bye" + escBlock(3, "") + "End\r\n";
    EXPECT_TRUE(run(*prt, stream));
    const std::string log = readAll(logPath);

    const std::string stars = "\n**********************************\n";
    const std::vector<std::string> inOrder = {
        stars + "Starting Time---->:",
        "\n-------------------\nVersion: Typestone 1.00\n-------------------\n\nMachine Information",
        "\nPage #0: Text------\nHi [0x01]!\n------",
        "\n[0x0d]->DoCR\n",
        "\n[0x0a]->Down\n",
        "\nPage #1: Command #7 (0x0007) -> SetFontSize\nData\n",
        "\n****\nERROR- Error trying to execute the Advanced Print Function:\nPage #1: Command #7 (0x0007) "
        "-> "
        "SetFontSize\nData\n",
        "\nOk to abort this print job  ? !!!!!!!!\n****\n",
        "\nPage #1: Text------\nBye\n------",
        "\nPage #1: Command #3 (0x0003) -> Unknown",
        "\n****\nERROR- Page #1: Command #3 (0x0003) -> Unknown !!!!!!!!\n****\n",
        "\nPage #1: Text------\nEnd\n------",
        stars + "Ending Time---->:",
    };
    size_t at = 0;
    for (const std::string& part : inOrder) {
        const size_t found = log.find(part, at);
        ASSERT_NE(found, std::string::npos) << "missing in order: " << part << "\nlog:\n" << log;
        at = found + part.size();
    }
    EXPECT_EQ(log.compare(log.size() - stars.size(), stars.size(), stars), 0) << log;
    EXPECT_EQ(prt->LastError(), typestone::kErrCommand);
}

// Without a name there is no log; a log that cannot be written is reported once, ends, and
// the job prints as it would have.
TEST_F(JobErrorsTest, PrintLogOffOrUnwritable)
{
    {
        auto prt = makeJob();
        EXPECT_TRUE(run(*prt, "Hi\r\n"));
        for (const auto& entry : fs::directory_iterator(m_dir))
            EXPECT_NE(entry.path().filename(), "typst.log");
    }
    m_host.trace.clear();
    const size_t drawnBefore = m_log->lines.size();
    auto prt = makeJob();
    const std::string missing = (m_dir / "no-such-folder" / "typst.log").string();
    prt->SetPrintLog(missing);
    EXPECT_TRUE(run(*prt, "Hi\r\nthere\r\n" + escBlock(3, "")));
    EXPECT_GT(m_log->lines.size(), drawnBefore);
    const std::string report = "Error 2 trying to open '" + missing;
    const size_t first = m_host.trace.find(report);
    EXPECT_NE(first, std::string::npos) << m_host.trace;
    EXPECT_EQ(m_host.trace.find(report, first + 1), std::string::npos) << m_host.trace;
    EXPECT_FALSE(fs::exists(missing));
}

// A file printed by a command measures its own progress one level deeper; afterwards the job's
// figures go on from where they were, and each level ends at 100 %. The display hears of
// changes of the percentage, not of every byte.
TEST_F(JobErrorsTest, NestedFileRestoresTheFigures)
{
    std::string inner;
    for (int i = 0; i < 400; ++i)
        inner += "Inner line " + std::to_string(i) + "\r\n";
    {
        std::ofstream f(m_dir / "c" / "IN.TXT", std::ios::binary);
        f << inner;
    }
    const std::string path = (m_dir / "c" / "IN.TXT").string();
    typestone::CommandTable table = typestone::CommandTable::builtIn();
    table.commands[20].handler = [path](CWinPrt& p, const typestone::EscBlock&) {
        return p.PrintFile(path, true, 0, 0, 0, false, ';');
    };
    std::string before;
    std::string after;
    for (int i = 0; i < 300; ++i) {
        before += "Before " + std::to_string(i) + "\r\n";
        after += "After " + std::to_string(i) + "\r\n";
    }
    auto prt = makeJob(&table);
    EXPECT_TRUE(run(*prt, before + escBlock(20, std::string(28, '\0')) + after));

    std::vector<int> outerBefore;
    std::vector<int> innerSeen;
    std::vector<int> outerAfter;
    int restored = 0;
    for (const auto& u : calls(Kind::UpdateProgress)) {
        const int level = u.progressState.level;
        const int percent = u.progressState.percent;
        if (u.progressState.restored) {
            // Told once, at the return to the job's level, with a start time of this run.
            ++restored;
            EXPECT_EQ(level, 1);
            EXPECT_TRUE(outerAfter.empty());
            EXPECT_NEAR(double(u.progressState.startedAt), double(std::time(nullptr)), 600.0);
        }
        if (level == 2)
            innerSeen.push_back(percent);
        else if (level == 1)
            (innerSeen.empty() ? outerBefore : outerAfter).push_back(percent);
    }
    ASSERT_FALSE(outerBefore.empty());
    ASSERT_FALSE(innerSeen.empty());
    ASSERT_FALSE(outerAfter.empty());
    const size_t bytes = before.size() + after.size() + 40;
    // Not one report per byte: at most one per percentage and level, and the changes of line.
    EXPECT_LT(outerBefore.size() + outerAfter.size(), 110u) << bytes;
    EXPECT_LT(innerSeen.size(), 110u);
    EXPECT_EQ(innerSeen.back(), 100);
    // Back at the outer level the display shows the job's figure as it was, then goes on.
    EXPECT_EQ(outerAfter.front(), outerBefore.back());
    EXPECT_EQ(restored, 1);
    EXPECT_GE(outerBefore.back(), 35);
    EXPECT_LE(outerBefore.back(), 55);
    for (size_t i = 1; i < outerAfter.size(); ++i)
        EXPECT_GE(outerAfter[i], outerAfter[i - 1]);
    EXPECT_EQ(outerAfter.back(), 100);
}
