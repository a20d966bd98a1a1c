// Job and page rules through the whole job path (spool file, document, pages), drawn on the
// recording Dc with formula fonts.

#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/command_groups.h"
#include "typestone/engine/engine_host.h"
#include "typestone/engine/host_file_link.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "platform/spooler/folder_spooler.h"

#include "tests/support/draw/fake_font_engine.h"
#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

using engine_test::DeviceLog;
using engine_test::escBlock;
using engine_test::pageCaps;
using engine_test::RecordingPageDevice;
using typestone::CWinPrt;
using typestone::EngineDeviceRequest;

namespace fs = std::filesystem;

namespace {

class JobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        m_dir = m_folder.path();
        m_prt.SetSpoolFolder(m_dir.string());
        m_prt.SetFontEngine(&m_fonts);
        m_prt.SetDeviceFactory([this](const EngineDeviceRequest& r, std::string*) {
            m_request = r;
            return std::make_unique<RecordingPageDevice>(m_log, pageCaps());
        });
    }
    typestone::INIT_DATA record(const char* printer = "Office")
    {
        typestone::INIT_DATA r = typestone::DefaultInitData();
        std::strncpy(r.printer, printer, sizeof r.printer - 1);
        return r;
    }

    bool run(const std::string& stream, const typestone::INIT_DATA& r)
    {
        EXPECT_TRUE(m_prt.StartSpoolPrtJob(100, &r, "host_1"));
        m_spool = m_prt.GetSpoolFName();
        if (!stream.empty()) {
            EXPECT_TRUE(m_prt.SpoolData(stream.data(), stream.size()));
        }
        return m_prt.StopSpoolPrtJob();
    }
    bool run(const std::string& stream) { return run(stream, record()); }

    // The lines of text output, in order.
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto& l : m_log->lines)
            if (l.rfind("text ", 0) == 0)
                out.push_back(l);
        return out;
    }

    ts::support::TempDir m_folder{"engine-job"};
    fs::path m_dir;
    platform::draw::FakeFontEngine m_fonts;
    std::shared_ptr<DeviceLog> m_log = std::make_shared<DeviceLog>();
    EngineDeviceRequest m_request;
    CWinPrt m_prt;
    std::string m_spool;
};

std::string lines(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "X\r\n";
    return s;
}

struct PageCase
{
    const char* name;
    std::string stream;
    int pages;
};

class PageRules : public JobTest, public ::testing::WithParamInterface<PageCase>
{
};

TEST_P(PageRules, PageCount)
{
    EXPECT_TRUE(run(GetParam().stream));
    EXPECT_EQ(m_log->count("startPage"), GetParam().pages);
    EXPECT_EQ(m_log->count("endPage"), GetParam().pages);
    EXPECT_EQ(m_log->count("endDoc"), 1);
    EXPECT_EQ(m_log->count("abortDoc"), 0);
}

INSTANTIATE_TEST_SUITE_P(Streams, PageRules,
                         ::testing::Values(PageCase{"TrailingFormFeedNoBlankPage", "A\f", 1},
                                           PageCase{"TwoFormFeedsAtStartTwoPages", "\f\f", 2},
                                           PageCase{"FormFeedAfterTextNextPageOnlyWithData", "A\fB", 2},
                                           PageCase{"FullPageFitsOnePage", lines(57), 1},
                                           PageCase{"OverflowThenFormFeedNoBlankPage", lines(58) + "\fY", 2},
                                           PageCase{"OverflowStartsNextPage", lines(59), 2},
                                           PageCase{"NoBlankPageAfterOverflowAtEnd", lines(58) + "\f", 1}),
                         [](const auto& p) { return std::string(p.param.name); });

// The document and page state after a stream, while the document is still open.
TEST_F(JobTest, PageStateFollowsTheStream)
{
    using typestone::PageState;
    struct Case
    {
        const char* name;
        std::string stream;
        PageState state;
        unsigned pages;
    };
    const Case cases[] = {
        {"NothingYet", "", PageState::BetweenPages, 0},
        {"Text", "A", PageState::PageOpen, 1},
        {"FormFeedWaitsForTheNextByte", "A\f", PageState::PagePending, 1},
        {"TheNextByteOpensThePage", "A\fB", PageState::PageOpen, 2},
        {"FullPageEndsItself", lines(58), PageState::AutoEjected, 1},
        {"FormFeedAfterAFullPageAddsNoPage", lines(58) + "\f", PageState::PagePending, 1},
    };
    for (const Case& c : cases) {
        const auto r = record();
        ASSERT_TRUE(m_prt.StartPrtJob(&r, "host_state", false)) << c.name;
        EXPECT_EQ(m_prt.GetPageState(), PageState::BetweenPages) << c.name;
        m_prt.PrintData(c.stream.data(), c.stream.size(), true);
        EXPECT_EQ(m_prt.GetPageState(), c.state) << c.name;
        EXPECT_EQ(m_prt.PageCount(), c.pages) << c.name;
        m_prt.StopPrtJob(true);
        EXPECT_EQ(m_prt.GetPageState(), PageState::NoDocument) << c.name;
    }
}

TEST_F(JobTest, CarriageReturnLineFeedMovesOneLine)
{
    EXPECT_TRUE(run("A\r\nB\rC\n\nD"));
    EXPECT_EQ(texts(), (std::vector<std::string>{"text 0,120 'A'", "text 0,240 'B'", "text 0,240 'C'",
                                                 "text 60,480 'D'"}));
}

TEST_F(JobTest, EmptySpoolFileOpensNoDevice)
{
    EXPECT_FALSE(run(""));
    EXPECT_EQ(m_log->devicesMade, 0);
    EXPECT_FALSE(fs::exists(m_spool));
}

TEST_F(JobTest, SpoolFileHoldsTheBytesAndIsDeletedAfterTheJob)
{
    const auto r = record();
    ASSERT_TRUE(m_prt.StartSpoolPrtJob(100, &r, "host_2"));
    const std::string spool = m_prt.GetSpoolFName();
    EXPECT_EQ(fs::path(spool).filename().string().rfind("tps", 0), 0u);
    EXPECT_FALSE(m_prt.StartSpoolPrtJob(100, &r, "again")); // one spool job at a time
    ASSERT_TRUE(m_prt.SpoolData("ab\0c", 4));
    ASSERT_TRUE(m_prt.SpoolData("de", 2));
    std::ifstream in(spool, std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, std::string("ab\0cde", 6));
    in.close();
    EXPECT_TRUE(m_prt.StopSpoolPrtJob());
    EXPECT_FALSE(fs::exists(spool));
    EXPECT_TRUE(m_prt.GetSpoolFName().empty());
}

// What runs the job hears of it through its host: printing starts, the job's size at the end,
// and the trace lines of the areas the host traces, formatted by the engine.
class RecordingHost : public typestone::EngineHost
{
public:
    void JobPrinting() override { events.push_back("printing"); }
    void JobSize(uint32_t bytes) override { events.push_back("size " + std::to_string(bytes)); }
    bool TraceOn(uint32_t mask) override { return mask == typestone::kTrzJobs; }
    void TraceText(const std::string& text) override { trace.push_back(text); }

    std::vector<std::string> events;
    std::vector<std::string> trace;
};

TEST_F(JobTest, HostHearsTheJobStatusAndItsTrace)
{
    RecordingHost host;
    m_prt.SetHost(&host);
    // Command 12 (an image) without a file name: it is traced and the job goes on.
    EXPECT_TRUE(run("ab" + escBlock(12, std::string(24, '\0')) + "c"));
    EXPECT_EQ(host.events, (std::vector<std::string>{"printing", "size 39"}));
    EXPECT_NE(std::find(host.trace.begin(), host.trace.end(),
                        "\nCWinPrt::PrintBmpData() - no usable file name (0 bytes)"),
              host.trace.end());
    m_prt.SetHost(nullptr);
    EXPECT_TRUE(run("d"));
    EXPECT_EQ(host.events.size(), 2u);
}

TEST_F(JobTest, BoldAndUnderlineSelectFontsAndBackAgain)
{
    EXPECT_TRUE(run("a\x0E"
                    "b\x0B"
                    "c\x16\x0F"
                    "d"));
    std::vector<std::string> fonts;
    for (const auto& l : m_log->lines)
        if (l.rfind("font '", 0) == 0)
            fonts.push_back(l.substr(0, l.find(" charset")));
    ASSERT_GE(fonts.size(), 4u);
    EXPECT_NE(fonts[0].find("weight=400 italic=0 underline=0"), std::string::npos) << fonts[0];
    EXPECT_NE(fonts[1].find("weight=800 italic=0 underline=0"), std::string::npos) << fonts[1];
    EXPECT_NE(fonts[2].find("weight=800 italic=0 underline=1"), std::string::npos) << fonts[2];
    EXPECT_NE(fonts.back().find("weight=400 italic=0 underline=0"), std::string::npos) << fonts.back();
    EXPECT_EQ(texts(), (std::vector<std::string>{"text 0,120 'a'", "text 60,120 'b'", "text 120,120 'c'",
                                                 "text 180,120 'd'"}));
}

TEST_F(JobTest, AbortedJobEndsItsOpenPageBeforeTheDocumentIsDropped)
{
    typestone::CommandTable table = typestone::CommandTable::builtIn();
    table.commands[8].handler = [](CWinPrt& p, const typestone::EscBlock&) {
        p.SetAbort();
        return true;
    };
    CWinPrt prt(&table);
    prt.SetSpoolFolder(m_dir.string());
    prt.SetFontEngine(&m_fonts);
    prt.SetDeviceFactory([this](const EngineDeviceRequest&, std::string*) {
        return std::make_unique<RecordingPageDevice>(m_log, pageCaps());
    });
    // A block that announces 2 parameter bytes: "xx".
    const std::string stream = "A" + escBlock(8, "xxB", 2);
    const auto r = record();
    ASSERT_TRUE(prt.StartSpoolPrtJob(100, &r, "host_3"));
    ASSERT_TRUE(prt.SpoolData(stream.data(), stream.size()));
    EXPECT_FALSE(prt.StopSpoolPrtJob());
    EXPECT_EQ(m_log->calls,
              (std::vector<std::string>{"startDoc host_3", "startPage", "endPage", "abortDoc"}));
    EXPECT_EQ(texts(), (std::vector<std::string>{"text 0,120 'A'"}));
}

TEST_F(JobTest, FormFeedOnlyJobIsEndedNotAborted)
{
    EXPECT_TRUE(run("\f"));
    EXPECT_EQ(m_log->count("endDoc"), 1);
    EXPECT_EQ(m_log->count("abortDoc"), 0);
}

TEST_F(JobTest, PdfDriverWithoutOutputNameWritesIntoThePdfFolder)
{
    m_prt.SetPdfFolder((m_dir / "pdf").string());
    EXPECT_TRUE(run("A", record("pdfcreator")));
    EXPECT_EQ(m_request.outputFile, (m_dir / "pdf" / "host_1.pdf").string());
}

TEST_F(JobTest, HostOutputNamesStayInsideTheMappedFolders)
{
    typestone::DriveMap map;
    map.add('C', (m_dir / "c").string());
    fs::create_directories(m_dir / "c" / "OUT");
    m_prt.SetDriveMap(map);

    auto r = record("Win2PDF");
    std::strcpy(r.output, "c:\\OUT\\X.PDF");
    EXPECT_TRUE(run("A", r));
    EXPECT_EQ(m_request.outputFile, (m_dir / "c" / "OUT" / "X.PDF").string());

    for (const char* bad : {"C:\\..\\escape.pdf", "D:\\X.PDF", "C:\\OUT\\..\\..\\x.pdf"}) {
        m_log = std::make_shared<DeviceLog>();
        auto rb = record("Win2PDF");
        std::strcpy(rb.output, bad);
        EXPECT_FALSE(run("A", rb)) << bad;
        EXPECT_EQ(m_log->devicesMade, 0) << bad;
    }
}

// With a PDF folder a document whose name no drive takes is still made, there, under its
// own file name (the job's when it has none), and the trace says where it went; a name a
// drive takes gets its missing folders made.
TEST_F(JobTest, HostOutputNamesNoDriveTakesLandInThePdfFolder)
{
    struct EveryTrace : RecordingHost
    {
        bool TraceOn(uint32_t) override { return true; }
    } host;
    m_prt.SetHost(&host);
    const fs::path pdf = m_dir / "pdf"; // made when first needed
    m_prt.SetPdfFolder(pdf.string());
    typestone::DriveMap map;
    map.add('C', (m_dir / "c").string());
    fs::create_directories(m_dir / "c");
    fs::create_directories(m_dir / "outside");
    fs::create_directory_symlink(m_dir / "outside", m_dir / "c" / "LINK");
    {
        std::ofstream blocker(m_dir / "c" / "FILE");
    }
    m_prt.SetDriveMap(map);

    struct Row
    {
        const char* host;
        fs::path local;
        bool traced; // the trace names where it went
    };
    const Row rows[] = {
        {"C:\\NEW\\DEEP\\X.PDF", m_dir / "c" / "NEW" / "DEEP" / "X.PDF", false},
        {"C:\\..\\escape.pdf", pdf / "escape.pdf", true},
        {"C:\\OUT\\..\\..\\x.pdf", pdf / "x.pdf", true},
        {"D:\\OTHER\\D.PDF", pdf / "D.PDF", true},
        {"C:\\LINK\\L.PDF", pdf / "L.PDF", true},
        {"C:\\FILE\\F.PDF", pdf / "F.PDF", true},
        {"D:\\", pdf / "host_1.pdf", true},
        {"OUT.PDF", pdf / "OUT.PDF", true},
    };
    for (const Row& r : rows) {
        m_log = std::make_shared<DeviceLog>();
        host.trace.clear();
        auto rec = record("Win2PDF");
        std::strcpy(rec.output, r.host);
        EXPECT_TRUE(run("A", rec)) << r.host;
        EXPECT_EQ(m_request.outputFile, r.local.string()) << r.host;
        EXPECT_TRUE(fs::is_directory(r.local.parent_path())) << r.host;
        const bool traced = std::any_of(host.trace.begin(), host.trace.end(), [&](const std::string& t) {
            return t.find("'" + std::string(r.host) + "'") != std::string::npos &&
                   t.find("goes to '" + r.local.string() + "'") != std::string::npos;
        });
        EXPECT_EQ(traced, r.traced) << r.host;
    }
    EXPECT_TRUE(fs::is_empty(m_dir / "outside"));
    m_prt.SetHost(nullptr);
}

TEST_F(JobTest, LineLongerThanAnyPageKeepsTheJobAndTheNextLine)
{
    // One column: every cell is the page wide, so a few hundred thousand bytes without a
    // break (text, then a frame run and a shade) reach far past any position a page holds.
    const std::string longLine = std::string(600000, 'x') + "\xC4\xC4\xB0";
    struct Case
    {
        const char* lineEnd;
        bool backAtColumn0; // a line feed alone keeps the column
    };
    for (const Case c : {Case{"\r\n", true}, Case{"\n", false}}) {
        m_log = std::make_shared<DeviceLog>();
        auto r = record();
        r.cols = 1;
        EXPECT_TRUE(run(longLine + c.lineEnd + "B", r)) << c.backAtColumn0;
        const auto t = texts();
        ASSERT_FALSE(t.empty());
        EXPECT_EQ(t.front().rfind("text 0,120 'x", 0), 0u) << t.front().substr(0, 40);
        if (c.backAtColumn0) {
            EXPECT_EQ(t.back(), "text 0,240 'B'");
        } else {
            int x = 0;
            int y = 0;
            ASSERT_EQ(std::sscanf(t.back().c_str(), "text %d,%d 'B'", &x, &y), 2) << t.back();
            EXPECT_GT(x, 4800) << t.back(); // off the page, not wrapped round to a position on it
            EXPECT_EQ(y, 240);
        }
        EXPECT_EQ(m_log->count("endDoc"), 1);
    }
}

TEST_F(JobTest, CancelArrivingAsAFileIsPrintedStopsTheJob)
{
    typestone::DriveMap map;
    map.add('C', (m_dir / "c").string());
    fs::create_directories(m_dir / "c");
    {
        std::ofstream f(m_dir / "c" / "F.TXT", std::ios::binary);
        f << "file\r\n";
    }
    typestone::CommandTable table = typestone::CommandTable::builtIn();
    // The cancel comes in just as the command runs (the progress display's Cancel).
    table.commands[20].handler = [](CWinPrt& p, const typestone::EscBlock& b) {
        p.Cancel();
        return typestone::PrintFileCommand(p, b);
    };
    CWinPrt prt(&table);
    prt.SetSpoolFolder(m_dir.string());
    prt.SetFontEngine(&m_fonts);
    prt.SetDriveMap(map);
    prt.SetDeviceFactory([this](const EngineDeviceRequest&, std::string*) {
        return std::make_unique<RecordingPageDevice>(m_log, pageCaps());
    });
    std::string params(24, '\0');
    params[1] = '\x80';
    params += "C:\\F.TXT";
    params += '\0';
    const std::string stream = "A" + escBlock(20, params) + "after";
    const auto r = record();
    ASSERT_TRUE(prt.StartSpoolPrtJob(100, &r, "host_4"));
    ASSERT_TRUE(prt.SpoolData(stream.data(), stream.size()));
    EXPECT_FALSE(prt.StopSpoolPrtJob());
    // Neither the file nor the text after the command is printed.
    EXPECT_EQ(texts(), (std::vector<std::string>{"text 0,120 'A'"}));
    EXPECT_EQ(m_log->count("startPage"), m_log->count("endPage"));
}

// The server's stop and what it keeps: a job the stop reaches before its document was handed
// over keeps its spool file and record for the next start (the document is dropped); a stop
// that comes once the document is handed over changes nothing, or the job would print twice.
TEST_F(JobTest, TheStopKeepsOnlyJobsWhoseDocumentWasNotHandedOver)
{
    enum class When
    {
        BeforeTheJobEnds, // the stop came while the host still sent
        DuringTheRender,  // as a command runs
        AtTheHandOver,    // inside endDoc, after the device took the document
    };
    struct Case
    {
        const char* what;
        When when;
        typestone::SpoolOutcome outcome;
        bool filesStay;
        int endDocs;
    };
    const Case cases[] = {
        {"before the job ends", When::BeforeTheJobEnds, typestone::SpoolOutcome::KeptForLater, true, 0},
        {"during the render", When::DuringTheRender, typestone::SpoolOutcome::KeptForLater, true, 0},
        {"at the hand-over", When::AtTheHandOver, typestone::SpoolOutcome::Printed, false, 1},
    };
    class StopAtEndDevice : public RecordingPageDevice
    {
    public:
        StopAtEndDevice(std::shared_ptr<DeviceLog> log, const platform::draw::DeviceCaps& caps, CWinPrt* prt)
            : RecordingPageDevice(std::move(log), caps), m_prt(prt)
        {
        }
        bool endDoc() override
        {
            const bool ok = RecordingPageDevice::endDoc();
            if (m_prt)
                m_prt->Stop();
            return ok;
        }

    private:
        CWinPrt* m_prt;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_log = std::make_shared<DeviceLog>();
        typestone::CommandTable table = typestone::CommandTable::builtIn();
        table.commands[8].handler = [](CWinPrt& p, const typestone::EscBlock&) {
            p.Stop();
            return true;
        };
        CWinPrt prt(&table);
        prt.SetSpoolFolder(m_dir.string());
        prt.SetFontEngine(&m_fonts);
        CWinPrt* stopAtEnd = c.when == When::AtTheHandOver ? &prt : nullptr;
        prt.SetDeviceFactory([this, stopAtEnd](const EngineDeviceRequest&, std::string*) {
            return std::make_unique<StopAtEndDevice>(m_log, pageCaps(), stopAtEnd);
        });
        const std::string stream = c.when == When::DuringTheRender ? "A" + escBlock(8, "xx") + "B" : "A\fB";
        const auto r = record();
        ASSERT_TRUE(prt.StartSpoolPrtJob(100, &r, "host_5"));
        const std::string spool = prt.GetSpoolFName();
        EXPECT_TRUE(fs::exists(typestone::SpoolRecordPath(spool))) << "the record is there from the start";
        ASSERT_TRUE(prt.SpoolData(stream.data(), stream.size()));
        if (c.when == When::BeforeTheJobEnds)
            prt.Stop();
        EXPECT_EQ(prt.StopSpoolPrtJob(), c.outcome == typestone::SpoolOutcome::Printed);
        EXPECT_EQ(prt.LastSpoolOutcome(), c.outcome);
        EXPECT_EQ(fs::exists(spool), c.filesStay);
        EXPECT_EQ(fs::exists(typestone::SpoolRecordPath(spool)), c.filesStay);
        EXPECT_EQ(m_log->count("endDoc"), c.endDocs);
        EXPECT_EQ(m_log->count("startPage"), m_log->count("endPage"));
        EXPECT_TRUE(prt.GetSpoolFName().empty());
        std::error_code ec;
        fs::remove(spool, ec);
        fs::remove(typestone::SpoolRecordPath(spool), ec);
    }
}

// Streams mutated from sound ones (text of every byte value, runs of control bytes, blocks of
// every command with short, exact and long parameters, a local file) on grids of extreme
// sizes: every job ends its pages and its document, and leaves nothing open for the next job.
TEST_F(JobTest, MutatedStreamsOnExtremeGridsEndCleanly)
{
    typestone::DriveMap map;
    map.add('C', (m_dir / "c").string());
    fs::create_directories(m_dir / "c");
    {
        std::ofstream f(m_dir / "c" / "F.TXT", std::ios::binary);
        f << "one\r\n\xC4\xC4\xB3\xDB\r\nthree\f\r\n";
    }
    m_prt.SetDriveMap(map);

    std::mt19937 rng(20261210u);
    auto below = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const auto& table = typestone::CommandTable::builtIn();
    const auto& controls = typestone::CommandTable::controlBytes();
    auto piece = [&]() -> std::string {
        switch (below(6)) {
        case 0: {
            std::string t(1 + below(40), '\0');
            for (char& c : t)
                c = static_cast<char>(rng());
            return t;
        }
        case 1: {
            std::string t(1 + below(8), '\0');
            for (char& c : t)
                c = static_cast<char>(controls[below(controls.size())]);
            return t;
        }
        case 2:
            return std::string(1 + below(30), static_cast<char>(176 + below(48))); // frames, shades
        case 3: {
            std::string params(24, '\0');
            params[0] = static_cast<char>(rng());
            params[1] = static_cast<char>(0x80 | (rng() & 0x7F));
            params[2] = static_cast<char>(below(4));
            params[4] = static_cast<char>(below(3));
            params += below(2) ? "C:\\F.TXT" : "C:\\..\\F.TXT";
            return escBlock(20, params + '\0');
        }
        default: {
            const uint16_t cmd = static_cast<uint16_t>(below(typestone::kEscCommandSlots + 2));
            const uint32_t minLen = cmd < typestone::kEscCommandSlots ? table.commands[cmd].minLen : 4;
            std::string params(below(3) == 0 ? below(minLen + 1) : minLen + below(20), '\0');
            for (char& c : params)
                c = static_cast<char>(rng());
            return escBlock(cmd, params);
        }
        }
    };
    auto mutate = [&](std::string& s) {
        const size_t at = s.empty() ? 0 : below(s.size());
        switch (below(6)) {
        case 0:
            if (!s.empty())
                s[at] = static_cast<char>(rng());
            break;
        case 1:
            s.insert(at, 1, static_cast<char>(rng()));
            break;
        case 2:
            s.erase(at, below(16));
            break;
        case 3:
            s.insert(at, "\xFD\xFD");
            break;
        case 4:
            s.insert(at, s.substr(at, below(32)));
            break;
        default:
            s.resize(at); // cut anywhere, a block too
            break;
        }
    };

    const uint16_t extremes[] = {0, 1, 2, 80, 255, 65535};
    for (int round = 0; round < 700; ++round) {
        std::string stream;
        for (size_t n = 1 + below(12); n > 0; --n)
            stream += piece();
        for (size_t n = below(4); n > 0; --n)
            mutate(stream);
        auto r = record();
        r.cols = extremes[below(6)];
        r.rows = extremes[below(6)];
        r.snd_color = static_cast<uint8_t>(rng());

        m_log = std::make_shared<DeviceLog>();
        ASSERT_TRUE(m_prt.StartPrtJob(&r, "fuzz", false)) << round;
        for (size_t at = 0; at < stream.size();) {
            const size_t n = std::min(stream.size() - at, 1 + below(64));
            m_prt.PrintData(stream.data() + at, n, true);
            at += n;
        }
        m_prt.EndOfStream();
        m_prt.StopPrtJob(true);
        EXPECT_FALSE(m_prt.IsDocStarted()) << round;
        EXPECT_EQ(m_log->count("startPage"), m_log->count("endPage")) << round;
        EXPECT_EQ(m_log->count("endDoc") + m_log->count("abortDoc"), 1) << round;

        // The next job starts from a clean interpreter: its text is text.
        m_log = std::make_shared<DeviceLog>();
        const auto plain = record();
        ASSERT_TRUE(m_prt.StartPrtJob(&plain, "next", false)) << round;
        m_prt.PrintData("Z", 1, true);
        m_prt.EndOfStream();
        EXPECT_TRUE(m_prt.StopPrtJob(true)) << round;
        EXPECT_EQ(texts(), std::vector<std::string>{"text 0,120 'Z'"}) << round;
        if (HasFailure())
            break;
    }
}

TEST_F(JobTest, PrintFileCommandPrintsLongLinesWhole)
{
    typestone::DriveMap map;
    map.add('C', (m_dir / "c").string());
    fs::create_directories(m_dir / "c");
    m_prt.SetDriveMap(map);
    {
        std::ofstream f(m_dir / "c" / "F.TXT", std::ios::binary);
        f << std::string(3000, 'x') << "\r\nend\r\n";
    }
    std::string params(24, '\0');
    params[1] = '\x80'; // a file of this machine
    params += "C:\\F.TXT";
    params += '\0';
    EXPECT_TRUE(run(escBlock(20, params) + "after"));
    const auto t = texts();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0], "text 0,120 '" + std::string(3000, 'x') + "'");
    EXPECT_EQ(t[1], "text 0,240 'end'");
    EXPECT_EQ(t[2], "text 0,360 'after'");
}

// A host whose files are local copies the test made: it records what the job asked for.
class HostWithFiles : public typestone::EngineHost
{
public:
    struct Link : typestone::HostFileLink
    {
        bool FetchHostFile(const std::string& name, const typestone::HostFileFacts& facts,
                           std::string* localPath) override
        {
            return FetchHostFileAs(name, facts, 0, localPath);
        }
        bool FetchHostFileAs(const std::string& name, const typestone::HostFileFacts& facts,
                             uint8_t translation, std::string* localPath) override
        {
            asked.push_back(name);
            lastFacts = facts;
            lastTranslation = translation;
            const auto it = files.find(name);
            *localPath = it == files.end() ? std::string() : it->second;
            return !localPath->empty();
        }
        std::map<std::string, std::string> files; // host name -> local copy
        std::vector<std::string> asked;
        typestone::HostFileFacts lastFacts{};
        uint8_t lastTranslation = 0xFF;
    };
    typestone::HostFileLink* HostFiles() override { return withLink ? &link : nullptr; }
    Link link;
    bool withLink = true;
};

std::string printFileBlock(uint16_t flags, const std::string& name)
{
    std::string params(24, '\0');
    params[0] = char(flags & 0xFF);
    params[1] = char(flags >> 8);
    for (int i = 0; i < 18; ++i)
        params[size_t(6 + i)] = char(0x40 + i); // the facts go through as they came
    return escBlock(20, params + name + '\0');
}

TEST_F(JobTest, PrintFilePrintsAHostFileThroughTheHostFileLink)
{
    HostWithFiles host;
    m_prt.SetHost(&host);
    {
        std::ofstream f(m_dir / "cached.txt", std::ios::binary);
        f << "from host\r\n";
    }
    host.link.files["/u/NOTE.TXT"] = (m_dir / "cached.txt").string();
    EXPECT_TRUE(run(printFileBlock(0, "/u/NOTE.TXT") + printFileBlock(0, "GONE.TXT") + "after"));
    EXPECT_EQ(host.link.asked, (std::vector<std::string>{"/u/NOTE.TXT", "GONE.TXT"}));
    EXPECT_EQ(host.link.lastFacts[0], 0x40);
    EXPECT_EQ(host.link.lastFacts[17], 0x51);
    EXPECT_EQ(host.link.lastTranslation, 0);
    // The file the host does not have is reported and the job goes on.
    EXPECT_EQ(texts(), (std::vector<std::string>{"text 0,120 'from host'", "text 0,240 'after'"}));

    // A job without a link to its host prints no host file.
    m_log = std::make_shared<DeviceLog>();
    host.withLink = false;
    EXPECT_TRUE(run(printFileBlock(0, "/u/NOTE.TXT") + "after"));
    EXPECT_EQ(texts(), (std::vector<std::string>{"text 0,120 'after'"}));
}

TEST_F(JobTest, PrintFileHandsForeignDocumentsToTheSpoolerAsTheyAre)
{
    std::string error;
    auto spooler = platform::spooler::FolderSpooler::open((m_dir / "spool").string(), &error);
    ASSERT_TRUE(spooler) << error;
    ASSERT_TRUE(spooler->addPrinter("Office", &error)) << error;
    m_prt.SetSpooler(spooler.get());
    HostWithFiles host;
    m_prt.SetHost(&host);
    const struct
    {
        const char* name;
        std::string content;
        uint16_t flags;
        uint8_t translation;
        const char* extension;
    } cases[] = {
        {"R.PDF", "%PDF-1.4\n%\xE2\xE3\n1 0 obj<<>>endobj\ntrailer<<>>\n%%EOF\n", 0x2000, 0, ".pdf"},
        {"R.TXT", "plain text\r\n", 0x2400, 1, ".txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path local = m_dir / c.name;
        {
            std::ofstream f(local, std::ios::binary);
            f << c.content;
        }
        host.link.files[c.name] = local.string();
        m_log = std::make_shared<DeviceLog>();
        EXPECT_TRUE(run(printFileBlock(c.flags, c.name) + "after"));
        EXPECT_EQ(host.link.lastTranslation, c.translation);
        // Not drawn on the job's pages, but a document of its own.
        EXPECT_EQ(texts(), (std::vector<std::string>{"text 0,120 'after'"}));
        bool found = false;
        for (const auto& e : fs::recursive_directory_iterator(m_dir / "spool")) {
            if (e.path().extension() != c.extension)
                continue;
            std::ifstream in(e.path(), std::ios::binary);
            const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            found = found || got == c.content;
        }
        EXPECT_TRUE(found);
    }
    // Neither a PDF nor text: refused.
    {
        std::ofstream f(m_dir / "B.BIN", std::ios::binary);
        f << std::string("\x01\x00\x02", 3);
    }
    host.link.files["B.BIN"] = (m_dir / "B.BIN").string();
    run(printFileBlock(0x2000, "B.BIN"));
    EXPECT_EQ(m_prt.LastError(), typestone::kErrCommand);
}

} // namespace
