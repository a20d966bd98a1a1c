// What a job tells and asks the person: the abort question after Cancel on the progress
// display, the progress lines of files printed by commands, and the extended-debugging
// question before the spool file is deleted. Every question may go unanswered: the job then
// ends its wait and loses nothing.

#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/command_groups.h"
#include "typestone/engine/engine_host.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "klv_inet/support/msg_dlg.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/draw/fake_font_engine.h"
#include "tests/support/env/temp_dir.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
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

// A host with the program's strings of a table, extended debugging on request, and a traced
// box that answers from a script (nothing scripted: no answer at all).
class MessagesHost : public typestone::EngineHost
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
    bool ExtendedDebug() override { return extendedDebug; }
    int TracedBox(const std::string& text, unsigned type, uint32_t) override
    {
        boxes.push_back({text, type});
        return boxAnswer;
    }

    std::map<unsigned, std::string> strings;
    bool extendedDebug = false;
    int boxAnswer = platform::ui::kIdTimeout;
    std::vector<std::pair<std::string, unsigned>> boxes;
};

class JobMessagesTest : public ::testing::Test
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
    void TearDown() override
    {
        platform::ui::setBridge(nullptr);
        CMsgDlg::EnableMsgs(1);
    }

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
        m_spool = prt.GetSpoolFName();
        EXPECT_TRUE(prt.SpoolData(stream.data(), stream.size()));
        return prt.StopSpoolPrtJob();
    }

    void writeFile(const std::string& name, const std::string& bytes)
    {
        std::ofstream f(m_dir / "c" / name, std::ios::binary);
        f << bytes;
    }

    size_t textCount() const
    {
        size_t n = 0;
        for (const auto& l : m_log->lines)
            n += l.rfind("text ", 0) == 0 ? 1 : 0;
        return n;
    }

    // Whether a text output ended with `tail` (a line is drawn in one piece or, where the
    // spool file's blocks cut it, in two).
    bool printedEnding(const std::string& tail) const
    {
        for (const auto& l : m_log->lines)
            if (l.rfind("text ", 0) == 0 && l.size() >= tail.size() + 1 &&
                l.compare(l.size() - tail.size() - 1, tail.size(), tail) == 0)
                return true;
        return false;
    }

    std::vector<ScriptedUiBridge::Call> calls(Kind kind) const
    {
        std::vector<ScriptedUiBridge::Call> out;
        for (const auto& c : m_ui->calls())
            if (c.kind == kind)
                out.push_back(c);
        return out;
    }

    // The person presses Cancel as soon as the job's progress display opens.
    void cancelOnOpen()
    {
        m_ui->setObserver([this](const ScriptedUiBridge::Call& call) {
            if (call.kind == Kind::OpenProgress)
                m_ui->cancelProgress(call.progress);
        });
    }

    ts::support::TempDir m_folder{"engine-messages"};
    fs::path m_dir;
    typestone::DriveMap m_map;
    platform::draw::FakeFontEngine m_fonts;
    std::shared_ptr<DeviceLog> m_log = std::make_shared<DeviceLog>();
    std::shared_ptr<ScriptedUiBridge> m_ui = std::make_shared<ScriptedUiBridge>();
    MessagesHost m_host;
    std::string m_spool;
};

std::string manyLines(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "Line " + std::to_string(i) + "\r\n";
    return s;
}

// Cancel on the progress display, and what the abort question's answer (or its absence)
// makes of the job.
TEST_F(JobMessagesTest, CancelPressedAsksBeforeAborting)
{
    enum class Reply
    {
        Yes,
        No,
        Nobody, // the question is held until its wait runs out
        MessagesOff,
    };
    struct Case
    {
        const char* name;
        Reply reply;
        bool asked;
        bool aborted;
    };
    const Case cases[] = {
        {"yes aborts", Reply::Yes, true, true},
        {"no goes on", Reply::No, true, false},
        {"no answer goes on", Reply::Nobody, true, false},
        {"messages off abort without asking", Reply::MessagesOff, false, true},
    };
    for (const Case& c : cases) {
        m_ui = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(m_ui);
        m_log = std::make_shared<DeviceLog>();
        CMsgDlg::EnableMsgs(c.reply == Reply::MessagesOff ? 0 : 1);
        if (c.reply == Reply::Yes)
            m_ui->pushBoxAnswer(platform::ui::kIdYes);
        if (c.reply == Reply::No)
            m_ui->pushBoxAnswer(platform::ui::kIdNo);
        if (c.reply == Reply::Nobody) {
            m_ui->hold();
            m_ui->setHoldLimit(std::chrono::milliseconds(100));
        }
        cancelOnOpen();
        auto prt = makeJob();
        const bool ok = run(*prt, manyLines(200));

        const auto boxes = calls(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), c.asked ? 1u : 0u) << c.name;
        if (c.asked) {
            EXPECT_EQ(boxes[0].box.text,
                      "OK to abort the print job 'host_1' currently printing on the 'Office' printer ?")
                << c.name;
            EXPECT_EQ(boxes[0].box.style & 0xF0F, platform::ui::kMbYesNo | platform::ui::kMbDefButton2)
                << c.name;
            EXPECT_GT(boxes[0].box.timeoutMs, 0u) << c.name;
            EXPECT_EQ(boxes[0].timedOut, c.reply == Reply::Nobody) << c.name;
        }
        EXPECT_EQ(ok, !c.aborted) << c.name;
        EXPECT_EQ(printedEnding("Line 199"), !c.aborted) << c.name;
        if (c.aborted) {
            EXPECT_EQ(m_log->count("endDoc"), 0) << c.name;
        } else {
            EXPECT_EQ(m_log->count("endDoc"), 1) << c.name;
            // The display's cancel is taken back, so a second press would be seen.
            EXPECT_EQ(m_ui->cancelsCleared(), 1u) << c.name;
        }
        m_ui->release();
    }
}

// After No, a second Cancel asks again; Yes then aborts.
TEST_F(JobMessagesTest, SecondCancelAfterNoAsksAgain)
{
    m_ui->pushBoxAnswer(platform::ui::kIdNo);
    m_ui->pushBoxAnswer(platform::ui::kIdYes);
    int updates = 0;
    m_ui->setObserver([this, &updates](const ScriptedUiBridge::Call& call) {
        if (call.kind == Kind::OpenProgress)
            m_ui->cancelProgress(call.progress);
        // Well after the first question: press again.
        if (call.kind == Kind::UpdateProgress && ++updates == 40)
            m_ui->cancelProgress(call.progress);
    });
    auto prt = makeJob();
    EXPECT_FALSE(run(*prt, manyLines(200)));
    EXPECT_EQ(calls(Kind::MessageBox).size(), 2u);
    EXPECT_TRUE(printedEnding("Line 10"));
    EXPECT_FALSE(printedEnding("Line 199"));
}

// Cancel from the program itself (the server stopping) is not a person's: no question.
TEST_F(JobMessagesTest, CancelFromTheProgramDoesNotAsk)
{
    typestone::CommandTable table = typestone::CommandTable::builtIn();
    table.commands[8].handler = [](CWinPrt& p, const typestone::EscBlock&) {
        p.Cancel();
        return true;
    };
    auto prt = makeJob(&table);
    EXPECT_FALSE(run(*prt, "A\r\n" + escBlock(8, std::string(2, '\0')) + "B\r\n"));
    EXPECT_TRUE(calls(Kind::MessageBox).empty());
    EXPECT_EQ(textCount(), 1u);
}

// A file printed by a command: one level deeper, a line telling which part of which file,
// then the job's own line again. Every update carries the line.
TEST_F(JobMessagesTest, NestedFilesShowTheirLineAndLevel)
{
    writeFile("F.TXT", manyLines(6));
    struct Case
    {
        const char* name;
        unsigned first;
        unsigned count;
        bool records;
        std::map<unsigned, std::string> strings;
        std::string expected;
    };
    const std::map<unsigned, std::string> spanish = {
        {3007, "Imprimiendo %s líneas del archivo '%s' desde la línea %u"},
        {3008, "Imprimiendo %s registros del archivo '%s' desde el registro %u"},
        {3010, "todas las"},
        {3011, "todos los"},
        {3012, "Imprimiendo '%s'..."},
        {62025, "Imprimiendo"},
    };
    const Case cases[] = {
        {"all lines", 0, 0, false, {}, "Printing all the lines of file 'F.TXT' from line 1"},
        {"some lines", 3, 2, false, {}, "Printing 2 lines of file 'F.TXT' from line 3"},
        {"first line 1", 1, 4, false, {}, "Printing 4 lines of file 'F.TXT' from line 1"},
        {"all records", 0, 0, true, {}, "Printing all the records of file 'F.TXT' from record 1"},
        {"some records", 2, 3, true, {}, "Printing 3 records of file 'F.TXT' from record 2"},
        {"program's lines", 0, 0, false, spanish,
         "Imprimiendo todas las líneas del archivo 'F.TXT' desde la línea 1"},
        {"program's records", 0, 0, true, spanish,
         "Imprimiendo todos los registros del archivo 'F.TXT' desde el registro 1"},
    };
    for (const Case& c : cases) {
        m_ui = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(m_ui);
        m_host.strings = c.strings;
        const std::string jobLine = c.strings.empty() ? "Printing 'host_1'..." : "Imprimiendo 'host_1'...";
        const std::string path = (m_dir / "c" / "F.TXT").string();
        typestone::CommandTable table = typestone::CommandTable::builtIn();
        table.commands[20].handler = [&c, path](CWinPrt& p, const typestone::EscBlock&) {
            return p.PrintFile(path, true, 0, c.first, c.count, c.records, ';');
        };
        auto prt = makeJob(&table);
        EXPECT_TRUE(run(*prt, "A\r\n" + escBlock(20, std::string(28, '\0')) + manyLines(300))) << c.name;

        const auto opened = calls(Kind::OpenProgress);
        ASSERT_EQ(opened.size(), 1u) << c.name;
        // The title in the program's language, then the printer.
        EXPECT_EQ(opened[0].progressOpen.caption,
                  c.strings.empty() ? "Printing - Office" : "Imprimiendo - Office")
            << c.name;
        EXPECT_EQ(opened[0].progressOpen.lines, std::vector<std::string>{jobLine}) << c.name;
        // The levels the display went through, each with its line, without repeats.
        std::vector<std::pair<int, std::string>> seen;
        for (const auto& u : calls(Kind::UpdateProgress)) {
            ASSERT_EQ(u.progressState.lines.size(), 1u) << c.name;
            const std::pair<int, std::string> now{u.progressState.level, u.progressState.lines[0]};
            if (seen.empty() || seen.back() != now)
                seen.push_back(now);
        }
        const std::vector<std::pair<int, std::string>> expected = {
            {1, jobLine}, {2, c.expected}, {1, jobLine}};
        EXPECT_EQ(seen, expected) << c.name;
        EXPECT_EQ(calls(Kind::CloseProgress).size(), 1u) << c.name;
    }
    m_host.strings.clear();
}

// With extended debugging the spool file is deleted only after a Yes.
TEST_F(JobMessagesTest, SpoolFileIsDeletedOnlyAfterYes)
{
    struct Case
    {
        const char* name;
        bool extended;
        int answer;
        bool deleted;
    };
    const Case cases[] = {
        {"extended debugging off", false, platform::ui::kIdNo, true},
        {"yes", true, platform::ui::kIdYes, true},
        {"no", true, platform::ui::kIdNo, false},
        {"unanswered in service mode", true, platform::ui::kIdCancel, false},
        {"timed out", true, platform::ui::kIdTimeout, false},
    };
    for (const Case& c : cases) {
        m_host.extendedDebug = c.extended;
        m_host.boxAnswer = c.answer;
        m_host.boxes.clear();
        auto prt = makeJob();
        EXPECT_TRUE(run(*prt, "text\r\n")) << c.name;
        EXPECT_EQ(fs::exists(m_spool), !c.deleted) << c.name;
        ASSERT_EQ(m_host.boxes.size(), c.extended ? 1u : 0u) << c.name;
        if (c.extended) {
            EXPECT_EQ(m_host.boxes[0].first,
                      "Spooled job 'host_1' was printed 'SUCCESSFULLY'\nOK to delete temp file '" + m_spool +
                          "'")
                << c.name;
            EXPECT_EQ(m_host.boxes[0].second & 0xF0F, platform::ui::kMbYesNo | platform::ui::kMbDefButton2)
                << c.name;
        }
        fs::remove(m_spool);
    }
}

// The engine's own traced box, as a job without a server has it: a person who never answers
// keeps the file, and the wait ends.
TEST_F(JobMessagesTest, UnansweredDeleteQuestionThroughTheBridgeKeepsTheFile)
{
    class ExtendedHost : public typestone::EngineHost
    {
    public:
        bool ExtendedDebug() override { return true; }
    } host;
    m_ui->hold();
    m_ui->setHoldLimit(std::chrono::milliseconds(100));
    auto prt = makeJob();
    prt->SetHost(&host);
    EXPECT_TRUE(run(*prt, "text\r\n"));
    EXPECT_TRUE(fs::exists(m_spool));
    const auto boxes = calls(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].timedOut);
    m_ui->release();
    fs::remove(m_spool);
}

} // namespace
