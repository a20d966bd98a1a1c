// Files moved over the data connection to and from the fake host: what arrives, with which
// time, what each failure gives as its code and leaves behind, and what the host was asked.

#include "typestone/server/packet_clock.h"
#include "typestone/server/packet_codes.h"
#include "typestone/server/packet_link.h"
#include "typestone/server/transfer_dlg.h"
#include "typestone/server/transfer_file.h"
#include "typestone/server/transfer_progress.h"

#include "platform/fileio/file_ops.h"
#include "platform/ui/message_box.h"

#include "tests/support/env/temp_dir.h"
#include "tests/support/hostfile/fake_host_peer.h"
#include "tests/support/hostfile/fake_packet_clock.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace typestone;
using platform::ui::ScriptedUiBridge;
using valdor::FakeHostPeer;
using valdor::FakePacketClock;
using valdor::HostFile;
using valdor::PeerScript;

namespace {

std::vector<uint8_t> pattern(size_t size)
{
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = uint8_t((i * 31 + 7) & 0xFF);
    return out;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<uint16_t> commands(const FakeHostPeer& peer)
{
    std::vector<uint16_t> out;
    for (const auto& e : peer.transcript())
        out.push_back(e.command);
    return out;
}

size_t filesIn(const std::string& dir)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

struct Transfer
{
    explicit Transfer(const PeerScript& script = {}, int64_t clockStep = 0) : clock(clockStep)
    {
        peer.setScript(script);
        peer.start();
    }
    CTransferFile run(const TransferRequest& request)
    {
        CTransferFile file(link, progress, request);
        ok = file.Execute();
        return file;
    }

    ts::support::TempDir dir{"ts-xfer"};
    FakeHostPeer peer;
    ScriptedUiBridge ui;
    FakePacketClock clock;
    PacketLink link{peer.serverSide(), ui, clock};
    TransferProgress progress{clock};
    bool ok = false;
};

TransferRequest download(const std::string& host, const std::string& local, uint8_t mode = kXferRaw)
{
    TransferRequest r;
    r.download = true;
    r.source = host;
    r.target = local;
    r.hostWord = 0x10;
    r.mode = mode;
    return r;
}

TEST(TransferFile, ADownloadBringsTheBytesAndTheHostsDate)
{
    Transfer t;
    HostFile file;
    file.bytes = pattern(40000); // three blocks, the last one short
    file.date = 1600000000;
    t.peer.addFile("/u/LOGO.BMP:C", file);
    const std::string target = t.dir.path("LOGO.BMP");
    const CTransferFile done = t.run(download("/u/LOGO.BMP:C", target));
    ASSERT_TRUE(t.ok) << done.ResultCode();
    EXPECT_EQ(done.ResultCode(), 0);
    EXPECT_EQ(readFile(target), std::string(file.bytes.begin(), file.bytes.end()));
    EXPECT_EQ(platform::fileio::fileInfo(target).modified, 1600000000);
    EXPECT_EQ(filesIn(t.dir.path()), 1u); // nothing beside it
    EXPECT_EQ(commands(t.peer),
              (std::vector<uint16_t>{CMD_TYP_FILEEXIST, CMD_TYP_OPEN, CMD_TYP_READ, CMD_TYP_CLOSE}));
    const auto requests = t.peer.transcript();
    EXPECT_EQ(requests[1].data[0], 0x10); // the host word goes with every file request
    EXPECT_EQ(requests[1].name(), "/u/LOGO.BMP:C");
    EXPECT_EQ(t.progress.bytesDone(), 40000u);
    EXPECT_EQ(t.progress.percent(), 100);
}

TEST(TransferFile, AHostTextFileArrivesWithLineFeeds)
{
    Transfer t;
    HostFile file;
    const std::string text = "ONE\rTWO\r";
    file.bytes.assign(text.begin(), text.end());
    t.peer.addFile("NOTE.TXT", file);
    const std::string target = t.dir.path("NOTE.TXT");
    t.run(download("NOTE.TXT", target, kXferText));
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(readFile(target), "ONE\r\nTWO\r\n");
}

TEST(TransferFile, FailedDownloadsGiveTheirCodeAndLeaveNoFile)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
        uint8_t type;
        PeerScript script;
        bool folderMissing;
        uint16_t code;
        std::vector<uint16_t> asked;
    };
    PeerScript wrongType;
    wrongType.openType = 8;
    PeerScript cutOff;
    cutOff.closeAfter = 20000;
    PeerScript silent;
    silent.silentOn = CMD_TYP_FILEEXIST;
    PeerScript stalled;
    stalled.stallAfter = 20000;
    const std::vector<uint16_t> checkOnly{CMD_TYP_FILEEXIST};
    const Case cases[] = {
        {"empty host file", {}, 16, {}, false, kXferNotFound, checkOnly},
        {"not sequential on the check", pattern(10), 3, {}, false, kXferNotSequential, checkOnly},
        {"not sequential on the open",
         pattern(10),
         16,
         wrongType,
         false,
         kXferNotSequential,
         {CMD_TYP_FILEEXIST, CMD_TYP_OPEN, CMD_TYP_CLOSE}},
        {"closed in mid-file",
         pattern(50000),
         16,
         cutOff,
         false,
         kXferLinkFailed,
         {CMD_TYP_FILEEXIST, CMD_TYP_OPEN, CMD_TYP_READ}},
        {"no answer", pattern(10), 16, silent, false, kXferNoAnswer, checkOnly},
        // Told of the break, the host gets its file closed too.
        {"silent in mid-file",
         pattern(50000),
         16,
         stalled,
         false,
         kXferLinkFailed,
         {CMD_TYP_FILEEXIST, CMD_TYP_OPEN, CMD_TYP_READ, CMD_TYP_XFER_NOTIFY, CMD_TYP_CLOSE}},
        {"folder missing",
         pattern(10),
         16,
         {},
         true,
         uint16_t(kXferFileError + 3),
         {CMD_TYP_FILEEXIST, CMD_TYP_OPEN, CMD_TYP_CLOSE}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Transfer t(c.script, 4000); // 32 s of no answer pass in a few real polls
        t.ui.pushBoxAnswer(platform::ui::kIdCancel);
        HostFile file;
        file.bytes = c.bytes;
        file.type = c.type;
        t.peer.addFile("F.DAT", file);
        const std::string folder = c.folderMissing ? t.dir.path("missing") : t.dir.path();
        const CTransferFile done = t.run(download("F.DAT", folder + "/F.DAT"));
        EXPECT_FALSE(t.ok);
        EXPECT_EQ(done.ResultCode(), c.code);
        EXPECT_EQ(filesIn(t.dir.path()), 0u);
        t.peer.stop();
        EXPECT_EQ(commands(t.peer), c.asked);
    }
}

TEST(TransferFile, AnUploadSendsTheTextAndSetsTheHostFilesDate)
{
    Transfer t;
    const std::string source = t.dir.path("UP.TXT");
    ASSERT_TRUE(platform::fileio::appendFile(source, "A\r\nB\r\n"));
    ASSERT_TRUE(platform::fileio::setModifiedTime(source, 1650000000));
    TransferRequest r;
    r.download = false;
    r.source = source;
    r.target = "/u/UP.TXT";
    r.mode = kXferText;
    const CTransferFile done = t.run(r);
    ASSERT_TRUE(t.ok) << done.ResultCode();
    t.peer.stop();
    const auto uploaded = t.peer.file("/u/UP.TXT");
    ASSERT_TRUE(uploaded);
    EXPECT_EQ(std::string(uploaded->bytes.begin(), uploaded->bytes.end()), "A\rB\r");
    EXPECT_EQ(uploaded->date, 1650000000u);
    EXPECT_EQ(commands(t.peer),
              (std::vector<uint16_t>{CMD_TYP_FILEEXIST, CMD_TYP_CREATE, CMD_TYP_WRITE, CMD_TYP_CLOSE}));
    const auto write = t.peer.transcript()[2];
    EXPECT_EQ(write.data[0], 4); // the converted size
}

TEST(TransferFile, AHostsNoticeDuringAnUploadStopsItAndErasesThePart)
{
    PeerScript notice;
    notice.notifyAfter = 0;
    notice.notifyCode = 22;
    Transfer t(notice);
    const std::string source = t.dir.path("BIG.DAT");
    const auto bytes = pattern(50000);
    ASSERT_TRUE(platform::fileio::appendFile(source, std::string(bytes.begin(), bytes.end())));
    TransferRequest r;
    r.download = false;
    r.source = source;
    r.target = "BIG.DAT";
    const CTransferFile done = t.run(r);
    EXPECT_FALSE(t.ok);
    EXPECT_EQ(done.ResultCode(), 22);
    t.peer.stop();
    EXPECT_EQ(commands(t.peer), (std::vector<uint16_t>{CMD_TYP_FILEEXIST, CMD_TYP_CREATE, CMD_TYP_WRITE,
                                                       CMD_TYP_CLOSE, CMD_TYP_ERASE}));
    EXPECT_FALSE(t.peer.file("BIG.DAT"));
}

TEST(TransferDlg, TheListsResultCodes)
{
    struct Case
    {
        uint16_t code;
        bool cancelled;
        uint16_t result;
    };
    const Case cases[] = {{0, false, 0},   {0, true, 500},   {2, false, 502},    {3, false, 503},
                          {4, false, 504}, {6, false, 506},  {7, false, 507},    {1, false, 501},
                          {1, true, 500},  {500, true, 500}, {50999, false, 501}};
    for (const auto& c : cases)
        EXPECT_EQ(CTransferDlg::MapResultCode(c.code, c.cancelled), c.result) << c.code << " " << c.cancelled;
}

TEST(TransferDlg, AListRunsToItsCodeAndShowsItsProgress)
{
    {
        // One failed download: its message, then 506.
        Transfer t;
        CTransferDlg dialog(t.link, t.ui, t.clock, {download("NONE.DAT", t.dir.path("NONE.DAT"))});
        EXPECT_TRUE(dialog.Run());
        EXPECT_EQ(dialog.ResultCode(), 506);
        bool told = false;
        for (const auto& call : t.ui.calls())
            told = told || (call.kind == ScriptedUiBridge::Call::Kind::MessageBox &&
                            call.box.text.find("NONE.DAT") != std::string::npos);
        EXPECT_TRUE(told);
    }
    {
        // No entries: 501 at once.
        Transfer t;
        CTransferDlg dialog(t.link, t.ui, t.clock, {});
        dialog.Run();
        EXPECT_EQ(dialog.ResultCode(), 501);
    }
    {
        // Cancel on the display while the host is silent: 500 and no message.
        PeerScript silent;
        silent.silentOn = CMD_TYP_FILEEXIST;
        Transfer t(silent);
        t.ui.setObserver([&](const ScriptedUiBridge::Call& call) {
            if (call.kind == ScriptedUiBridge::Call::Kind::OpenProgress)
                t.ui.cancelProgress(call.progress);
        });
        CTransferDlg dialog(t.link, t.ui, t.clock, {download("F.DAT", t.dir.path("F.DAT"))});
        EXPECT_FALSE(dialog.Run());
        EXPECT_EQ(dialog.ResultCode(), 500);
        for (const auto& call : t.ui.calls())
            EXPECT_NE(call.kind, ScriptedUiBridge::Call::Kind::MessageBox);
    }
    {
        // A good one: the display goes to 100 %.
        Transfer t;
        HostFile file;
        file.bytes = pattern(70000);
        t.peer.addFile("P.DAT", file);
        CTransferDlg dialog(t.link, t.ui, t.clock, {download("P.DAT", t.dir.path("P.DAT"))});
        EXPECT_TRUE(dialog.Run());
        EXPECT_EQ(dialog.ResultCode(), 0);
        int last = -1;
        for (const auto& call : t.ui.calls())
            if (call.kind == ScriptedUiBridge::Call::Kind::UpdateProgress)
                last = call.progressState.percent;
        EXPECT_EQ(last, 100);
    }
}

TEST(TransferProgress, NothingDividesByZero)
{
    FakePacketClock clock(0);
    TransferProgress unknown(clock);
    unknown.progress(10, 10);
    EXPECT_EQ(unknown.percent(), -1);
    EXPECT_EQ(unknown.rateBps(), 0u);
    EXPECT_EQ(unknown.remainingSeconds(), -1);

    TransferProgress small(clock, 50);
    small.progress(25, 25);
    EXPECT_EQ(small.percent(), 50);
    // Large sizes stay in 64 bits.
    TransferProgress large(clock, uint64_t(6) << 32);
    large.progress(uint64_t(3) << 32, 0);
    EXPECT_EQ(large.percent(), 50);
    clock.advance(4000);
    large.progress(0, 0);
    EXPECT_EQ(large.rateBps(), (uint64_t(3) << 32) * 8 / 4);
    EXPECT_EQ(large.remainingSeconds(), 4);
}

} // namespace
