#include "web_fixture.h"

#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"
#include "klv_inet/support/reg_updates.h"

#include "klv_inet/webupdate/ini_file.h"

#include "platform/sync/named_lock.h"

#include <QProcess>

#include <cstring>
#include <ctime>
#include <filesystem>

using testsupport::HttpResponse;
using testsupport::page;

namespace {

class QueryTest : public WebUpdateTest
{
protected:
    std::string updateFile(const std::string& termBody = "TERMDATA", const std::string& viewerBody = "VIEWER")
    {
        return "[Typestone_PLM]\r\nProduct1=Term\r\nProduct2=Viewer\r\n"
               "[Term]\r\nversion=300\r\nsize=" +
               std::to_string(termBody.size()) + "\r\ndownload=" + server.url("/files/term.bin") +
               "\r\n"
               "[Viewer]\r\nversion=150\r\nsize=" +
               std::to_string(viewerBody.size()) + "\r\ndownload=" + server.url("/files/viewer.bin") + "\r\n";
    }
    void serveAll(const std::string& termBody = "TERMDATA")
    {
        server.serve("/upd/update.txt", page(200, updateFile(termBody)));
        server.serve("/files/term.bin", page(200, termBody));
        server.serve("/files/viewer.bin", page(200, "VIEWER"));
        server.serve("/cgi-bin/VADUZORA/mailtocli.cgi", page(200, "ok"));
    }
    void storeQueryTime(time_t when)
    {
        std::tm t{};
        localtime_r(&when, &t);
        char buf[64];
        std::strftime(buf, sizeof buf, "%d-%m-%Y %H:%M", &t);
        std::string section;
        FormSection(section, "Updates", "Typestone");
        SetRegistryEntry(section.c_str(), server.url("/upd/update.txt").c_str(), buf,
                         uint32_t(std::strlen(buf)), KLV_REG_SZ);
    }
    std::string status(const char* product)
    {
        char buf[64] = {};
        uint32_t size = sizeof buf;
        GetProductEntry(product, "Upgrade Status", buf, &size, "Typestone");
        return buf;
    }
    // Runs a foreground query to its end, downloads and checks included.
    void runQuery(CKDRInetObj& obj)
    {
        ASSERT_EQ(obj.QueryWeb4Update(), 1);
        ASSERT_TRUE(waitFor([&] { return !obj.IsWebQuerying(); }));
        ASSERT_TRUE(waitFor([&] { return obj.WaitForDownloads(0); }));
        waitFor([] { return false; }, 300); // the queued checks of finished downloads
    }
};

} // namespace

TEST_F(QueryTest, TwentyFourHourRule)
{
    serveAll();
    const time_t now = std::time(nullptr);
    struct Case
    {
        const char* what;
        bool background;
        unsigned long config;
        std::optional<time_t> stored;
        size_t requests;
    };
    const Case cases[] = {
        {"never asked", true, 3, std::nullopt, 1},
        {"2 hours ago", true, 3, now - 2 * 3600, 0},
        {"25 hours ago", true, 3, now - 25 * 3600, 1},
        {"foreground ignores the rule", false, 3, now - 3600, 1},
        {"background not authorised", true, 2, std::nullopt, 0},
        {"clock set back an hour", true, 3, now + 3600, 0},
        {"two days in the future", true, 3, now + 48 * 3600, 1},
    };
    for (const Case& c : cases) {
        platform::SettingsStore::resetShared();
        std::filesystem::remove(env.path("registry.sqlite"));
        if (c.stored)
            storeQueryTime(*c.stored);
        server.clearRequests();
        auto obj = makeObj();
        obj->SetConfiguration(c.config);
        obj->SetBackGround(c.background);
        obj->GetUpdateFile();
        EXPECT_EQ(server.count("/upd/update.txt"), c.requests) << c.what;
        if (c.requests) {
            time_t last = 0;
            EXPECT_EQ(GetLastUpdateQuery(server.url("/upd/update.txt").c_str(), &last, "Typestone"), 1);
            EXPECT_LE(std::llabs(int64_t(last) - int64_t(now)), 120) << c.what;
        }
    }
}

TEST_F(QueryTest, ProductListFromTheFileElseFromTheStore)
{
    serveAll();
    {
        auto obj = makeObj();
        obj->SetBackGround(0);
        EXPECT_EQ(obj->GetUpdateFile(), 1);
        EXPECT_EQ(obj->ProductNames(), (std::vector<std::string>{"Term", "Viewer"}));
        EXPECT_EQ(obj->Offer(), 1);
        EXPECT_FALSE(std::filesystem::exists(obj->LocalFile())); // the downloaded update file is removed
    }
    server.serve("/upd/update.txt", page(500, "[Typestone_PLM]\r\nProduct1=Bogus\r\n"));
    auto obj = makeObj();
    obj->SetBackGround(0);
    EXPECT_EQ(obj->GetUpdateFile(), 0);
    EXPECT_EQ(obj->LastResult(), 2);
    EXPECT_EQ(obj->ProductNames(), (std::vector<std::string>{"Term", "Viewer"}));
    ASSERT_EQ(obj->Products().size(), 2u);
    EXPECT_EQ(obj->Products()[0]->m_nUpdVersion, 300u); // kept from the store
    EXPECT_EQ(obj->Products()[1]->m_szDownload, server.url("/files/viewer.bin"));

    // An answer larger than any update file is refused, and the stored list stays.
    server.serve("/upd/update.txt", page(200, std::string(klv::IniFile::kMaxBytes + 1, '\n')));
    auto big = makeObj();
    big->SetBackGround(0);
    EXPECT_EQ(big->GetUpdateFile(), 0);
    EXPECT_EQ(big->LastResult(), 2);
    EXPECT_EQ(big->ProductNames(), (std::vector<std::string>{"Term", "Viewer"}));
}

TEST_F(QueryTest, SecondUpdateFileIsMergedByteForByte)
{
    const std::string first = "[General_PLM]\r\nKLV_Update=" + server.url("/upd/more.txt") +
                              "\r\n[Typestone_PLM]\r\nProduct1=Term\r\n";
    const std::string second = "[Term]\r\nversion=500\r\nsize=3\r\n";
    server.serve("/upd/update.txt", page(200, first));
    server.serve("/upd/more.txt", page(200, second));
    {
        auto obj = makeObj();
        const std::string local = env.path("u.txt");
        ASSERT_EQ(obj->GetUpdateFile("update.txt", server.url("/upd/").c_str(), local.c_str(), 1, 1), 1);
        ASSERT_EQ(obj->GetUpdateFile(nullptr, server.url("/upd/more.txt").c_str(), local.c_str(), 1, 0), 1);
        EXPECT_EQ(readFile(local), first + "\r\n\r\n*********************** Merging with '" +
                                       server.url("/upd/more.txt") +
                                       "' file ***********************\r\n\r\n" + second);
    }
    // The whole query follows the chain: the product's section comes from the second file.
    auto obj = makeObj();
    obj->SetBackGround(0);
    ASSERT_EQ(obj->GetUpdateFile(), 1);
    ASSERT_EQ(obj->Products().size(), 1u);
    EXPECT_EQ(obj->Products()[0]->m_nUpdVersion, 500u);
    // A chain that is not HTTP is not followed.
    server.clearRequests();
    server.serve("/upd/update.txt", page(200, "[General_PLM]\r\nKLV_Update=file:///etc/passwd\r\n"));
    auto other = makeObj();
    other->SetBackGround(0);
    EXPECT_EQ(other->GetUpdateFile(), 1);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(QueryTest, LockHeldByAnotherProcessStopsTheQuery)
{
    serveAll();
    platform::sync::NamedLock probe("Typestone_WININET_SEMA");
    ASSERT_TRUE(probe.tryLock(std::chrono::milliseconds(0)));
    const std::string path = probe.filePath();
    probe.unlock();
    QProcess holder;
    holder.start("flock", {"-x", QString::fromStdString(path), "-c", "echo locked; sleep 1"});
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    auto obj = makeObj();
    EXPECT_FALSE(obj->IsWebAvailable());
    EXPECT_EQ(CKDRInetObj::WebQuery(obj.get()), CKDRInetObj::kQueryBusy);
    EXPECT_TRUE(server.requests().empty());
    ASSERT_TRUE(holder.waitForFinished(10000)); // the holder ends and its lock with it
    EXPECT_TRUE(obj->IsWebAvailable());
    obj->SetConfiguration(CKDRInetObj::kCfgBackgroundAuthorized);
    EXPECT_FALSE(obj->IsWebAvailable()); // not offered without the available bit
}

TEST_F(QueryTest, NotConfiguredAsksNothing)
{
    serveAll();
    auto obj = makeObj();
    klv::WebUpdateSettings none;
    none.updateRoot = settings.updateRoot; // one of the two is not enough
    obj->SetSettings(none);
    EXPECT_FALSE(obj->StartBackgroundQuery());
    EXPECT_EQ(CKDRInetObj::WebQuery(obj.get()), CKDRInetObj::kQueryNotConfigured);
    EXPECT_EQ(obj->QueryWeb4Update(), 0);
    EXPECT_TRUE(server.requests().empty());
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_NE(ui.boxes()[0].box.text.find("not configured"), std::string::npos);
}

TEST_F(QueryTest, Dispatch)
{
    struct Case
    {
        const char* what;
        int form;
        int postStatus;
        bool untickViewer;
        std::string termBody; // served; the update file announces "TERMDATA"'s size
        size_t posts;
        size_t termFetches, viewerFetches;
        const char* termStatus;
        const char* viewerStatus;
        bool termKept;
    };
    const Case cases[] = {
        {"cancel on the form", platform::ui::kIdCancel, 200, false, "TERMDATA", 0, 0, 0, "Prompt", "Prompt",
         false},
        {"post answered 500", platform::ui::kIdOk, 500, false, "TERMDATA", 1, 0, 0, "Prompt", "Prompt",
         false},
        {"viewer unticked", platform::ui::kIdOk, 200, true, "TERMDATA", 2, 1, 0, "Installing", "Refused",
         true},
        {"wrong size", platform::ui::kIdOk, 200, true, "TERMDATAX", 2, 1, 0, "Prompt", "Refused", false},
    };
    for (const Case& c : cases) {
        platform::SettingsStore::resetShared();
        std::filesystem::remove(env.path("registry.sqlite"));
        std::filesystem::remove_all(env.path("state"));
        serveAll();
        server.serve("/upd/update.txt", page(200, updateFile("TERMDATA")));
        server.serve("/files/term.bin", page(200, c.termBody));
        server.serve("/cgi-bin/VADUZORA/mailtocli.cgi", page(c.postStatus, "answer"));
        server.clearRequests();
        dialogs = FakeDialogHost();
        dialogs.formAnswer = c.form;
        if (c.untickViewer)
            dialogs.unticked.insert("Viewer");
        ui->pushBoxAnswer(platform::ui::kIdYes); // install the downloaded upgrade now
        ui->pushBoxAnswer(platform::ui::kIdNo);  // no copy elsewhere
        std::string kept;
        {
            auto obj = makeObj();
            runQuery(*obj);
            EXPECT_EQ(dialogs.productCalls, 1) << c.what;
            EXPECT_EQ(dialogs.offered, (std::vector<std::string>{"Term", "Viewer"})) << c.what;
            kept = obj->Products()[0]->m_szLocalFile;
        }
        EXPECT_EQ(posts(), c.posts) << c.what;
        EXPECT_EQ(server.count("/files/term.bin"), c.termFetches) << c.what;
        EXPECT_EQ(server.count("/files/viewer.bin"), c.viewerFetches) << c.what;
        EXPECT_EQ(status("Term"), c.termStatus) << c.what;
        EXPECT_EQ(status("Viewer"), c.viewerStatus) << c.what;
        EXPECT_EQ(std::filesystem::exists(kept), c.termKept) << c.what << " " << kept;
        if (c.termKept) {
            EXPECT_EQ(readFile(kept), "TERMDATA");
        }
    }
}

TEST_F(QueryTest, PostsCarryOnlyTheFormProductsAndResults)
{
    serveAll();
    dialogs.unticked.insert("Viewer");
    ui->pushBoxAnswer(platform::ui::kIdYes);
    ui->pushBoxAnswer(platform::ui::kIdNo);
    {
        auto obj = makeObj();
        runQuery(*obj);
    }
    std::vector<testsupport::HttpRequest> sent;
    for (const auto& r : server.requests())
        if (r.method == "POST")
            sent.push_back(r);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].target,
              "/cgi-bin/VADUZORA/mailtocli.cgi?,Update_Request_From_Typestone_ver(2.42/2.42),valdor");
    EXPECT_EQ(sent[0].body,
              "Na=Jo%20Doe&Co=ACME&Em=j%40x.org&Ci=Lyon&CC=FR&Pr=Term%20%28Not%20installed%2FUnknown%29");
    EXPECT_EQ(sent[0].headers.at("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(sent[1].target,
              "/cgi-bin/VADUZORA/mailtocli.cgi?,Update_RCode_From_Typestone_ver(2.42/2.42),valdor");
    EXPECT_EQ(sent[1].body.rfind(
                  "Na=Jo%20Doe&Co=ACME&Em=j%40x.org&Ci=Lyon&CC=FR&Download%20Rcode=0%20-%20OK%20%28", 0),
              0u)
        << sent[1].body;
    EXPECT_NE(sent[1].body.find("&Pr=Term"), std::string::npos);
    // What the user typed is kept for the next form.
    auto again = makeObj();
    again->LoadUserData();
    EXPECT_EQ(again->m_szCity, "Lyon");
}

TEST_F(QueryTest, DownloadNoticesGoOutOnlyAfterTheForm)
{
    serveAll();
    server.serve("/files/term.bin", page(404, "gone"));
    dialogs.unticked.insert("Viewer");
    {
        CProduct earlier("Typestone");
        earlier.m_szName = "Term";
        earlier.m_szDLoadMsg = "old";
        earlier.SaveDLoadData(0, 2);
    }
    auto stored = [] {
        CProduct p("Typestone");
        p.m_szName = "Term";
        return p.LoadDLoadData(nullptr);
    };
    dialogs.formAnswer = platform::ui::kIdCancel;
    {
        auto obj = makeObj();
        runQuery(*obj);
    }
    EXPECT_EQ(posts(), 0u);
    EXPECT_EQ(stored(), 1);

    dialogs.formAnswer = platform::ui::kIdOk;
    {
        auto obj = makeObj();
        runQuery(*obj);
    }
    // The request, the stored notice of the earlier run, and the notice of this failure.
    ASSERT_EQ(posts(), 3u);
    const auto reqs = server.requests();
    size_t old = 0, failed = 0;
    for (const auto& r : reqs) {
        old += r.body.find("Download%20Rcode=2%20-%20Failed%20%28old%29") != std::string::npos;
        failed += r.body.find("Download%20Rcode=2%20-%20Failed%20%28%28szURL") != std::string::npos;
    }
    EXPECT_EQ(old, 1u);
    EXPECT_EQ(failed, 1u);
    EXPECT_EQ(stored(), 0);
}

TEST_F(QueryTest, TeardownDuringSlowDownloads)
{
    serveAll();
    const std::string big(200000, 's');
    HttpResponse slow = page(200, big);
    slow.trickleBytes = 100;
    slow.trickleDelayMs = 50;
    server.serve("/files/term.bin", slow);
    server.serve("/files/viewer.bin", slow);
    server.serve("/upd/update.txt", page(200, updateFile(big, big)));
    auto obj = makeObj();
    ASSERT_EQ(obj->QueryWeb4Update(), 1);
    std::string list;
    ASSERT_TRUE(waitFor([&] {
        list.clear();
        return obj->IsDLoadingAnyProduct(&list) && list.size() == std::string("\nTerm\nViewer").size();
    }));
    EXPECT_EQ(list, "\nTerm\nViewer");
    ui->pushBoxAnswer(platform::ui::kIdNo);
    EXPECT_FALSE(obj->Check_B4_Exit()); // the user keeps the program running
    EXPECT_NE(ui.boxes().back().box.text.find("in progress:\n\nTerm\nViewer\n\nOK to exit"),
              std::string::npos)
        << ui.boxes().back().box.text;
    EXPECT_FALSE(obj->QueryWeb4Update()); // no new query while downloads use the list
    const auto start = std::chrono::steady_clock::now();
    obj.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(status("Term"), "Downloading"); // asked to continue on the next query
    EXPECT_EQ(status("Viewer"), "Downloading");
}

TEST_F(QueryTest, DebugModeAsksBeforeItSkips)
{
    serveAll();
    storeQueryTime(std::time(nullptr) - 2 * 3600);
    auto obj = makeObj();
    CKDRInetObj::SetDebug(1);
    obj->SetBackGround(1);
    ui->pushBoxAnswer(platform::ui::kIdYes); // query again within 24 hours
    ui->pushBoxAnswer(platform::ui::kIdNo);  // keep the downloaded update file as it is
    EXPECT_EQ(obj->GetUpdateFile("update.txt", server.url("/upd/").c_str(), nullptr, 0, 1), 1);
    CKDRInetObj::SetDebug(0);
    EXPECT_EQ(server.count("/upd/update.txt"), 1u);
    const auto boxes = ui.boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes[0].box.text.find("was 2 hours ago"), std::string::npos) << boxes[0].box.text;
    EXPECT_EQ(boxes[0].box.style & platform::ui::kMbDefMask, platform::ui::kMbDefButton2);
}

TEST_F(QueryTest, DownloadObjectOwnsItsDialog)
{
    CMsgDlgOptions o;
    o.title = "download";
    auto* dialog = new CMsgDlg(o);
    auto obj = std::make_unique<CKDRInetObj>("Typestone", server.url("/files/term.bin").c_str(), 242, 8,
                                             env.path("t.bin").c_str(), dialog, 7, 0, "");
    EXPECT_EQ(obj->Application(), "Typestone");
    obj.reset(); // deletes the dialog (the sanitizer build would report a leak or a double free)
}
