// Recorded page actions through the whole job path: a header or footer recorded under a page
// range and played at the top of the pages it selects, fields, records and record files, drawn
// on the recording Dc with formula fonts.

#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/command_codes.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/host_file_link.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/page_action.h"
#include "typestone/engine/win_prt.h"

#include "tests/support/draw/fake_font_engine.h"
#include "tests/support/engine/recording_layout.h"
#include "tests/support/env/temp_dir.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using engine_test::DeviceLog;
using engine_test::escBlock;
using engine_test::pageCaps;
using engine_test::RecordingPageDevice;
using typestone::CPageAction;
using typestone::CWinPrt;
using typestone::EngineDeviceRequest;
using typestone::PageRange;

namespace {

using Pages = std::vector<std::vector<std::string>>;

std::string u16(uint16_t v)
{
    return std::string{char(v & 0xFF), char(v >> 8)};
}

std::string recPage(uint16_t first, uint16_t last, uint16_t flags)
{
    return escBlock(typestone::kCmdRecPage, u16(first) + u16(last) + u16(flags));
}

std::string stopRecording()
{
    return recPage(0, 0, 0);
}

std::string insertField(uint16_t type, const std::string& format)
{
    return escBlock(typestone::kCmdInsertField, u16(type) + format + std::string(1, '\0'));
}

std::string prtRecord(char separator, const std::string& text)
{
    return escBlock(typestone::kCmdPrtRecord, std::string(1, separator) + text + std::string(1, '\0'));
}

std::string prtFileRecords(uint16_t flags, char separator, uint16_t first, uint16_t count,
                           const std::string& name, const std::string& facts = std::string(18, '\0'))
{
    return escBlock(typestone::kCmdPrtFileRecords, u16(flags) + std::string(1, separator) + u16(first) +
                                                       u16(count) + facts + name + std::string(1, '\0'));
}

// A host that keeps the trace of every area and may lend the job a link to its files.
class TraceHost : public typestone::EngineHost
{
public:
    bool TraceOn(uint32_t) override { return true; }
    void TraceText(const std::string& text) override { trace += text; }
    typestone::HostFileLink* HostFiles() override { return link; }

    std::string trace;
    typestone::HostFileLink* link = nullptr;
};

// A host's files: every name is answered with one local file; the requests are kept.
class FakeHostFiles : public typestone::HostFileLink
{
public:
    bool FetchHostFile(const std::string& name, const typestone::HostFileFacts& facts,
                       std::string* localPath) override
    {
        names.push_back(name);
        lastFacts = facts;
        *localPath = ok ? local : std::string();
        return ok;
    }

    std::string local;
    bool ok = true;
    std::vector<std::string> names;
    typestone::HostFileFacts lastFacts{};
};

// A formatter stand-in that has a table row for records and hands over wrapped text after
// page actions, keeping what it was asked.
class TableLayout : public typestone::test::RecordingLayout
{
public:
    bool PrintRecordInRow(platform::draw::Dc*, const std::string& text, char separator) override
    {
        records.push_back(std::string(1, separator) + text);
        return hasTable;
    }
    void BeginPageActions() override { calls.push_back("BeginPageActions"); }
    std::string EndPageActions() override
    {
        calls.push_back("EndPageActions");
        return std::exchange(carried, std::string());
    }

    bool hasTable = true;
    std::string carried;
    std::vector<std::string> records; // separator, then the text
};

class PageActionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        m_prt.SetSpoolFolder(m_folder.path());
        m_prt.SetFontEngine(&m_fonts);
        m_prt.SetHost(&m_host);
        m_prt.SetDeviceFactory([this](const EngineDeviceRequest&, std::string*) {
            return std::make_unique<RecordingPageDevice>(m_log, pageCaps());
        });
        typestone::FieldSources fields;
        fields.clock = [] {
            typestone::LocalTime t;
            t.year = 2026;
            t.month = 3;
            t.day = 5;
            t.weekday = 4;
            t.hour = 14;
            t.minute = 7;
            t.second = 9;
            return t;
        };
        fields.language = typestone::DateLanguage::English;
        m_prt.SetFieldSources(fields);
    }

    bool run(const std::string& stream)
    {
        typestone::INIT_DATA r = typestone::DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        EXPECT_TRUE(m_prt.StartSpoolPrtJob(100, &r, "host_1"));
        EXPECT_TRUE(m_prt.SpoolData(stream.data(), stream.size()));
        return m_prt.StopSpoolPrtJob();
    }

    // A document opened for bytes handed over directly.
    void startDocument()
    {
        typestone::INIT_DATA r = typestone::DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        ASSERT_TRUE(m_prt.StartPrtJob(&r, "host_1", false));
    }
    void print(const std::string& bytes) { m_prt.PrintData(bytes.data(), bytes.size(), true); }

    // The text drawn on each page, in order.
    Pages pages() const
    {
        Pages out;
        for (const auto& l : m_log->lines) {
            if (l == "startPage")
                out.emplace_back();
            else if (l.rfind("text ", 0) == 0 && !out.empty())
                out.back().push_back(l.substr(l.find('\'') + 1, l.rfind('\'') - l.find('\'') - 1));
        }
        return out;
    }

    ts::support::TempDir m_folder{"engine-pagact"};
    platform::draw::FakeFontEngine m_fonts;
    std::shared_ptr<DeviceLog> m_log = std::make_shared<DeviceLog>();
    TraceHost m_host;
    CWinPrt m_prt;
};

// --- the page test

struct RangeCase
{
    PageRange range;
    std::string plays;     // for pages 1..8: 'y' plays, '.' does not
    unsigned finishedFrom; // the first page for which the action is finished (0: never)
};

TEST(PageActionTest, RangeSelectsPages)
{
    const RangeCase cases[] = {
        {{1, 0, 0x0181}, "yyyyyyyy", 0},
        {{2, 5, 0x0101}, ".yy.y...", 6},
        {{0, 0, 0x0001}, "........", 0},
        {{0, 0, 0x0081}, ".y.y.y.y", 0}, // no first page: parity alone
        {{0, 0, 0x0101}, "y.y.y.y.", 0},
        {{0, 3, 0x0181}, "yyy.....", 4},
        {{3, 0, 0x0001}, "..y.....", 0}, // the first page only
        {{4, 4, 0x0181}, "...y....", 5},
        {{2, 0, 0x8081}, ".y.y.y.y", 0}, // record-only changes nothing of the pages
    };
    for (const RangeCase& c : cases) {
        const CPageAction action(c.range, "H");
        std::string plays;
        unsigned finished = 0;
        for (unsigned page = 1; page <= 8; ++page) {
            plays += action.PlaysOn(page) ? 'y' : '.';
            if (finished == 0 && action.FinishedFor(page))
                finished = page;
        }
        EXPECT_EQ(plays, c.plays) << c.range.first << "-" << c.range.last << " 0x" << std::hex
                                  << c.range.flags;
        EXPECT_EQ(finished, c.finishedFrom) << c.range.first << "-" << c.range.last;
    }
    // An empty text action is invalid: it never plays and is finished at once.
    const CPageAction empty({1, 0, 0x0181}, "");
    EXPECT_FALSE(empty.PlaysOn(1));
    EXPECT_TRUE(empty.FinishedFor(1));
}

// --- playback in a job

struct HeaderCase
{
    const char* name;
    uint16_t first;
    uint16_t last;
    uint16_t flags;
    std::string withHeader; // pages 1..7 that show the header
};

class HeaderPages : public PageActionsTest, public ::testing::WithParamInterface<HeaderCase>
{
};

TEST_P(HeaderPages, HeaderShowsOnTheSelectedPages)
{
    const HeaderCase& c = GetParam();
    std::string stream = recPage(c.first, c.last, c.flags) + "HEAD\r\n" + stopRecording();
    for (int page = 1; page <= 7; ++page)
        stream += "body" + std::to_string(page) + (page < 7 ? "\f" : "");
    EXPECT_TRUE(run(stream));
    const Pages got = pages();
    ASSERT_EQ(got.size(), 7u);
    std::string withHeader;
    for (size_t i = 0; i < got.size(); ++i) {
        const bool header = !got[i].empty() && got[i].front() == "HEAD";
        withHeader += header ? 'y' : '.';
        // The page's own text comes after the header, whatever the header did.
        EXPECT_EQ(got[i].back(), "body" + std::to_string(i + 1));
    }
    EXPECT_EQ(withHeader, c.withHeader);
}

INSTANTIATE_TEST_SUITE_P(Ranges, HeaderPages,
                         ::testing::Values(
                             // Recording prints what it records on the page it is on, unless it only stores.
                             HeaderCase{"EveryPage", 1, 0, 0x0181, "yyyyyyy"},
                             HeaderCase{"TwoToFiveOdd", 2, 5, 0x0101, "yyy.y.."},
                             HeaderCase{"NoFirstPageNoParity", 0, 0, 0x0001, "y......"},
                             HeaderCase{"EvenPagesOnly", 0, 0, 0x0081, "yy.y.y."},
                             HeaderCase{"StoredOnlyFromTheNextPage", 1, 0, 0x8181, ".yyyyyy"}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(PageActionsTest, ActionsPastTheirLastPageAreDeleted)
{
    std::string stream = recPage(2, 3, 0x0181) + "A" + stopRecording() + recPage(1, 0, 0x8181) + "B" +
                         stopRecording() + "1\f2\f3";
    EXPECT_TRUE(run(stream));
    EXPECT_EQ(m_prt.PageActions().Count(), 2u) << "both still wanted through page 3";
    stream += "\f4";
    EXPECT_TRUE(run(stream));
    ASSERT_EQ(m_prt.PageActions().Count(), 1u) << "page 4 is past the first range";
    EXPECT_EQ(m_prt.PageActions().At(0).Text(), "B");
    EXPECT_EQ(pages().back(), (std::vector<std::string>{"B", "4"}));
}

TEST_F(PageActionsTest, TextAfterANewRangeIsAnActionOfThatRange)
{
    // A footer recorded right after a header, with no command between their texts, keeps its
    // own range.
    EXPECT_TRUE(
        run(recPage(1, 1, 0x8001) + "ONE" + recPage(2, 0, 0x8181) + "REST" + stopRecording() + "a\fb\fc"));
    EXPECT_EQ(pages(), (Pages{{"a"}, {"REST", "b"}, {"REST", "c"}}));
}

TEST_F(PageActionsTest, RecordOnlyStoresCommandsAndTextForTheNextPage)
{
    // The field is stored too: it runs when the header plays, with that page's number.
    EXPECT_TRUE(run(recPage(1, 0, 0x8181) + "Head " + insertField(0, "Page %u") + "\r\n" + stopRecording() +
                    "one\ftwo\fthree"));
    EXPECT_EQ(pages(), (Pages{{"one"}, {"Head ", "Page 2", "two"}, {"Head ", "Page 3", "three"}}));
}

TEST_F(PageActionsTest, PageNumberHeaderOnEveryPage)
{
    EXPECT_TRUE(run(recPage(1, 0, 0x0181) + insertField(0, "Page %u") + "\r\n" + stopRecording() +
                    "one\ftwo\fthree"));
    EXPECT_EQ(pages(), (Pages{{"Page 1", "one"}, {"Page 2", "two"}, {"Page 3", "three"}}));
}

TEST_F(PageActionsTest, FormFeedInAHeaderIsRefusedAndTheJobGoesOn)
{
    EXPECT_TRUE(run(recPage(1, 0, 0x8181) + "HEAD\f" + stopRecording() + "one\ftwo\fthree"));
    EXPECT_EQ(pages(), (Pages{{"one"}, {"HEAD", "two"}, {"HEAD", "three"}}));
    EXPECT_NE(m_host.trace.find("Do NOT allow NewPage() while 'm_bPlaying4Page'"), std::string::npos);
}

TEST_F(PageActionsTest, BlockInProgressSurvivesPlayback)
{
    startDocument();
    // A header with a command of its own: playing it frames nothing, but runs a block.
    print(recPage(1, 0, 0x8181) + insertField(0, "H%u") + stopRecording() + "one");
    const std::string block = insertField(0, "X%u");
    print(block.substr(0, 9)); // the header only in part
    ASSERT_TRUE(m_prt.StartPage());
    print(block.substr(9) + "two");
    EXPECT_TRUE(m_prt.StopPrtJob(true));
    EXPECT_EQ(pages(), (Pages{{"one"}, {"H2", "X2", "two"}}));
}

TEST_F(PageActionsTest, WrappedTextCarriedOverFollowsTheHeaderUnconverted)
{
    TableLayout layout;
    m_prt.FontMapper()->SetLayout(&layout);
    startDocument();
    print(recPage(1, 0, 0x8181) + "HEAD" + stopRecording() + "one\f");
    // What the last page's wrapping cut off comes after the header, before the new text; its
    // OEM byte 0xC4 is not drawn as a line (it was converted when it first came).
    layout.carried = "  rest \xC4";
    print("two");
    EXPECT_TRUE(m_prt.StopPrtJob(true));
    EXPECT_EQ(pages(), (Pages{{"one"}, {"HEAD", "rest \\xC4", "two"}}));
    EXPECT_EQ(std::count(layout.calls.begin(), layout.calls.end(), "BeginPageActions"), 1);
    EXPECT_EQ(std::count(layout.calls.begin(), layout.calls.end(), "EndPageActions"), 1);
    m_prt.FontMapper()->SetLayout(nullptr);
}

TEST_F(PageActionsTest, RecordingStopsAtItsBound)
{
    m_prt.SetPageActionLimit(1000);
    // Stored only: the bytes past the bound are printed on this page instead of being held.
    const std::string big(3000, 'x');
    EXPECT_TRUE(run(recPage(1, 0, 0x8181) + big + stopRecording() + "\fpage2"));
    EXPECT_LE(m_prt.PageActions().Footprint(), 1000u);
    EXPECT_NE(m_host.trace.find("reached their limit of 1000 bytes: recording stopped"), std::string::npos);
    const Pages got = pages();
    ASSERT_EQ(got.size(), 2u);
    size_t printed = 0;
    for (const auto& t : got[0])
        printed += t.size();
    EXPECT_EQ(printed + m_prt.PageActions().At(0).Text().size(), big.size()) << "every byte kept or printed";

    // A command the bound refuses runs where it is, like the text.
    m_log = std::make_shared<DeviceLog>();
    const std::string bigField =
        escBlock(typestone::kCmdInsertField, u16(0) + "Big %u" + std::string(2000, '\0'));
    EXPECT_TRUE(run(recPage(1, 0, 0x8181) + "ab" + bigField + stopRecording() + "\fp2"));
    EXPECT_EQ(pages(), (Pages{{"Big 1"}, {"ab", "p2"}}));
}

TEST_F(PageActionsTest, ProgressTellsOfThePlayedActionsThenOfTheJobAgain)
{
    auto ui = std::make_shared<platform::ui::ScriptedUiBridge>();
    platform::ui::setBridge(ui);
    EXPECT_TRUE(run(recPage(1, 0, 0x8181) + "HEAD" + stopRecording() + "one\ftwo"));
    platform::ui::setBridge(nullptr);
    std::vector<std::string> shown;
    for (const auto& call : ui->calls())
        if (call.kind == platform::ui::ScriptedUiBridge::Call::Kind::UpdateProgress &&
            !call.progressState.lines.empty())
            shown.push_back(call.progressState.lines.front());
    const auto playing =
        std::find(shown.begin(), shown.end(), "Printing actions (header, foot, ...) for new page");
    ASSERT_NE(playing, shown.end());
    EXPECT_NE(std::find(playing, shown.end(), "Printing 'host_1'..."), shown.end())
        << "the job's line comes back";
}

// --- fields in a job

TEST_F(PageActionsTest, FieldsPrintTheirText)
{
    ::setenv("TS_PAGACT_CLIENT",
             "Pe\xC3\xB1"
             "a",
             1);
    typestone::FieldSources fields = m_prt.GetFieldSources();
    fields.variables = {"TS_PAGACT_CLIENT"};
    m_prt.SetFieldSources(fields);
    EXPECT_TRUE(run(insertField(1, "") + "|" + insertField(2, "HH:mm") + "|" +
                    insertField(3, "TS_PAGACT_CLIENT") + "|" + insertField(0, "Page %s") + "|" +
                    insertField(3, "HOME") + "|" + insertField(9, "") + "|end"));
    // The value's n-tilde goes to the page as OEM text and is drawn as ANSI 0xF1; the rejected
    // format prints as it stands; a variable the settings do not name and an unknown type
    // insert nothing.
    EXPECT_EQ(pages(),
              (Pages{{"3/5/2026", "|", "14:07", "|", "Pe\\xF1a", "|", "Page %s", "|", "|", "|end"}}));
    EXPECT_NE(m_host.trace.find("'HOME' is not one the settings allow"), std::string::npos);
    EXPECT_NE(m_host.trace.find("unknown field type 9"), std::string::npos);
    ::unsetenv("TS_PAGACT_CLIENT");
}

TEST_F(PageActionsTest, PageNumberIsThatOfThePageTheFieldLandsOn)
{
    // At the start of the job, and after the last line filled a page, the field's page is
    // still to begin.
    std::string fullPage;
    for (int i = 0; i < 57; ++i)
        fullPage += "X\r\n";
    EXPECT_TRUE(run(insertField(0, "") + "\r\n" + fullPage + insertField(0, "")));
    const Pages got = pages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].front(), "1");
    EXPECT_EQ(got[1], (std::vector<std::string>{"2"}));
}

// --- records

TEST_F(PageActionsTest, RecordGoesToTheTableRowOrIsPrintedWhole)
{
    TableLayout layout;
    m_prt.FontMapper()->SetLayout(&layout);
    EXPECT_TRUE(run(prtRecord(';', "a;b \xC4") + "x"));
    // Host characters become OEM: host 0xC4 is OEM 0xA0.
    EXPECT_EQ(layout.records, (std::vector<std::string>{";a;b \xA0"}));
    EXPECT_EQ(pages(), (Pages{{"x"}}));

    layout.hasTable = false;
    layout.records.clear();
    EXPECT_TRUE(run(prtRecord(';', "a;b")));
    EXPECT_EQ(layout.records.size(), 1u);
    EXPECT_EQ(pages().back(), (std::vector<std::string>{"a;b"}));
    m_prt.FontMapper()->SetLayout(nullptr);
    EXPECT_TRUE(run(prtRecord(',', "c,d")));
    EXPECT_EQ(pages().back(), (std::vector<std::string>{"c,d"}));
}

// With the job's own formatter: two rectangles that form one table row take a record's fields,
// each cell its own, trimmed.
TEST_F(PageActionsTest, RecordFieldsFillTheCellsOfATableRow)
{
    auto le32 = [](uint32_t v) { return u16(uint16_t(v & 0xFFFF)) + u16(uint16_t(v >> 16)); };
    auto cell = [&](uint16_t number, int x) {
        // Pixels, chained, page-selected, every page, a table cell.
        return escBlock(typestone::kCmdPrtWindow, u16(number) + u16(1) + le32(uint32_t(x)) + le32(100) +
                                                      le32(600) + le32(400) + le32(0x1E0 | 0x400 | 1));
    };
    EXPECT_TRUE(run(cell(1, 100) + cell(2, 800) +
                    escBlock(typestone::kCmdPrtSelectArea, u16(1) + u16(0) + le32(0)) +
                    prtRecord(';', " left ; right")));
    ASSERT_FALSE(pages().empty());
    std::vector<std::string> texts = pages().front();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "left"), texts.end()) << ::testing::PrintToString(texts);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "right"), texts.end()) << ::testing::PrintToString(texts);
    for (const std::string& t : texts)
        EXPECT_EQ(t.find(';'), std::string::npos) << t;
}

class RecordFileTest : public PageActionsTest
{
protected:
    void SetUp() override
    {
        PageActionsTest::SetUp();
        const std::string drive = m_folder.path("c");
        std::filesystem::create_directories(drive);
        m_file = drive + "/LIST.TXT";
        std::ofstream(m_file, std::ios::binary) << "  first, 1 \r\nsecond,2\r\nthird,3\r\nfourth,4\r\n";
        typestone::DriveMap drives;
        drives.add('C', drive);
        m_prt.SetDriveMap(drives);
    }
    std::string m_file;
};

TEST_F(RecordFileTest, LocalRecordFilePrintsItsRecordsIntoTheTable)
{
    TableLayout layout;
    m_prt.FontMapper()->SetLayout(&layout);
    EXPECT_TRUE(run(prtFileRecords(0x8000, ',', 2, 2, "C:\\LIST.TXT")));
    EXPECT_EQ(layout.records, (std::vector<std::string>{",second,2", ",third,3"}));
    m_prt.FontMapper()->SetLayout(nullptr);
}

TEST_F(RecordFileTest, RecordFileWithoutATableIsPrintedLineByLine)
{
    EXPECT_TRUE(run(prtFileRecords(0x8000, ',', 0, 0, "C:\\LIST.TXT") + "end"));
    EXPECT_EQ(pages(), (Pages{{"first, 1", "second,2", "third,3", "fourth,4", "end"}}));
}

TEST_F(RecordFileTest, HostRecordFileComesThroughTheJobsHostLink)
{
    FakeHostFiles files;
    files.local = m_file;
    m_host.link = &files;
    std::string facts(18, '\0');
    facts[2] = '\x11';
    EXPECT_TRUE(run(prtFileRecords(0, ',', 4, 1, "/u/data/list") + "end"));
    EXPECT_EQ(files.names, (std::vector<std::string>{"/u/data/list"}));
    EXPECT_EQ(files.lastFacts[2], 0) << "facts as sent";
    EXPECT_EQ(pages(), (Pages{{"fourth,4", "end"}}));

    // Without the host's file, or without a link at all, the command fails and the job goes on.
    files.ok = false;
    EXPECT_TRUE(run(prtFileRecords(0, ',', 0, 0, "/u/data/list", facts) + "after"));
    EXPECT_EQ(files.lastFacts[2], 0x11);
    EXPECT_EQ(pages().back(), (std::vector<std::string>{"after"}));
    m_host.link = nullptr;
    EXPECT_TRUE(run(prtFileRecords(0, ',', 0, 0, "/u/data/list") + "still"));
    EXPECT_EQ(pages().back(), (std::vector<std::string>{"still"}));
    EXPECT_NE(m_host.trace.find("is a host file, and this job has no link to its host"), std::string::npos);
    EXPECT_EQ(m_prt.LastError(), typestone::kErrCommand);
}

} // namespace
