// The printer test dialog offscreen: the waiting picture, the test run off the GUI thread, the
// outcome with the expected page, zooming, printing the picture, and a missing test stream.

#include "typestone/widgets/prt_test_dlg.h"
#include "typestone/widgets/prt_test_print.h"

#include "platform/spooler/folder_spooler.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using platform::ui::ScriptedUiBridge;
using typestone::CPrtTestDlg;

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

class PrtTestDlgTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QApplication::instance())
            return;
        static int argc = 1;
        static char name[] = "prt_test_dlg_test";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    void SetUp() override
    {
        platform::ui::setBridge(bridge);
        m_dir = fs::temp_directory_path() / ("prt_test_dlg_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "data");
        for (const char* name : {"VALDOR.PCX", "TYPST.TIF", "TYPST.PRT"})
            fs::copy_file(fs::path(TYPESTONE_RES_DIR) / name, m_dir / "data" / name);
    }
    void TearDown() override
    {
        platform::ui::setBridge(nullptr);
        fs::remove_all(m_dir);
    }

    // Runs the event loop until `done` or ten seconds.
    template <class Done> static bool spin(Done done)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    std::string data() const { return (m_dir / "data").string(); }

    std::shared_ptr<ScriptedUiBridge> bridge = std::make_shared<ScriptedUiBridge>();
    fs::path m_dir;
};

TEST_F(PrtTestDlgTest, RunsTheTestOffTheGuiThreadThenShowsTheExpectedPage)
{
    QWidget owner;
    owner.show();
    std::atomic<bool> release{false};
    std::thread::id ranOn;
    const std::thread::id gui = std::this_thread::get_id();
    CPrtTestDlg dialog("Office", &owner, data(),
                       [&] {
                           ranOn = std::this_thread::get_id();
                           while (!release)
                               std::this_thread::sleep_for(std::chrono::milliseconds(5));
                           return true;
                       },
                       {});
    dialog.show();
    EXPECT_FALSE(owner.isVisible());
    EXPECT_EQ(dialog.textLabel()->text().toStdString(),
              "Performing Print Test for 'Office' printer. One moment, please...");
    // While the test prints: the waiting picture, no buttons, and the dialog does not close.
    ASSERT_TRUE(spin([&] { return !dialog.pictureLabel()->pixmap().isNull(); }));
    for (QPushButton* b :
         {dialog.okButton(), dialog.zoomInButton(), dialog.zoomOutButton(), dialog.printButton()})
        EXPECT_FALSE(b->isVisible());
    if (const char* shot = std::getenv("TYPESTONE_SCREENSHOT_DIR"))
        dialog.grab().save(QString::fromLocal8Bit(shot) + "/printer-test-waiting.png");
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.testEnded());

    release = true;
    ASSERT_TRUE(spin([&] { return dialog.testEnded(); }));
    EXPECT_NE(ranOn, gui);
    EXPECT_TRUE(dialog.testPassed());
    EXPECT_EQ(
        dialog.textLabel()->text().toStdString(),
        "Print test for 'Office' printer was done. The result should be similar to the image shown below.");
    EXPECT_TRUE(dialog.okButton()->isVisible());
    EXPECT_TRUE(dialog.zoomInButton()->isVisible());
    EXPECT_TRUE(dialog.printButton()->isVisible());
    EXPECT_FALSE(dialog.zoomOutButton()->isVisible());
    EXPECT_TRUE(bridge->calls().empty()); // nothing was missing

    // Zoom In first makes the dialog tall, then doubles; Zoom Out goes back step by step.
    dialog.zoomInButton()->click();
    EXPECT_TRUE(dialog.zoomOutButton()->isVisible());
    EXPECT_EQ(dialog.zoomSteps(), 0);
    const int fitted = dialog.pictureLabel()->width();
    dialog.zoomInButton()->click();
    EXPECT_EQ(dialog.zoomSteps(), 1);
    EXPECT_EQ(dialog.pictureLabel()->width(), 2 * fitted);
    dialog.zoomOutButton()->click();
    EXPECT_EQ(dialog.zoomSteps(), 0);
    EXPECT_EQ(dialog.pictureLabel()->width(), fitted);
    dialog.zoomOutButton()->click();
    EXPECT_FALSE(dialog.zoomOutButton()->isVisible());

    if (const char* shot = std::getenv("TYPESTONE_SCREENSHOT_DIR"))
        dialog.grab().save(QString::fromLocal8Bit(shot) + "/printer-test.png");
    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(owner.isVisible());
}

TEST_F(PrtTestDlgTest, AFailedTestSaysSo)
{
    CPrtTestDlg dialog("Office", nullptr, data(), [] { return false; }, {});
    dialog.show();
    ASSERT_TRUE(spin([&] { return dialog.testEnded(); }));
    EXPECT_FALSE(dialog.testPassed());
    EXPECT_EQ(
        dialog.textLabel()->text().toStdString(),
        "Print Test for 'Office' printer failed. The result should have been similar to the image shown "
        "below.");
    EXPECT_FALSE(dialog.pictureLabel()->pixmap().isNull());
}

TEST_F(PrtTestDlgTest, WithoutTheTestStreamTheUserIsToldAndTheDialogClosesItself)
{
    fs::remove(m_dir / "data" / "TYPST.PRT");
    bridge->pushBoxAnswer(platform::ui::kIdOk);
    bool ran = false;
    CPrtTestDlg dialog("Office", nullptr, data(), [&] { return ran = true; }, {});
    dialog.show();
    ASSERT_TRUE(spin([&] { return dialog.testEnded(); }));
    EXPECT_FALSE(ran);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto calls = bridge->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].box.text, "File '" + (m_dir / "data" / "TYPST.PRT").string() +
                                     "' was not found.\nThis file is required to perform the printer test.");
}

TEST_F(PrtTestDlgTest, PrintHandsTheShownPictureOverAndReportsARefusal)
{
    QSize printed;
    int tries = 0;
    CPrtTestDlg dialog(
        "Office", nullptr, data(), [] { return true; },
        [&](const QImage& picture, std::string* error) {
            printed = picture.size();
            *error = "queue stopped";
            return ++tries > 1;
        });
    dialog.show();
    ASSERT_TRUE(spin([&] { return dialog.testEnded(); }));
    const QImage expected = CPrtTestDlg::LoadPicture((m_dir / "data" / "TYPST.TIF").string());
    ASSERT_FALSE(expected.isNull());
    bridge->pushBoxAnswer(platform::ui::kIdOk);
    dialog.printButton()->click();
    EXPECT_EQ(printed, expected.size());
    auto calls = bridge->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].box.text.find("queue stopped"), std::string::npos);
    dialog.printButton()->click();
    EXPECT_EQ(bridge->calls().size(), 1u);
}

TEST_F(PrtTestDlgTest, ThePicturesAreReadAndOneIsPrintedAsAPdfPage)
{
    const QImage waiting = CPrtTestDlg::LoadPicture((m_dir / "data" / "VALDOR.PCX").string());
    EXPECT_EQ(waiting.size(), QSize(360, 240));
    const QImage page = CPrtTestDlg::LoadPicture((m_dir / "data" / "TYPST.TIF").string());
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.height(), page.width()); // a portrait sheet
    EXPECT_TRUE(CPrtTestDlg::LoadPicture((m_dir / "none.tif").string()).isNull());

    fs::create_directories(m_dir / "spool" / "Office");
    std::string error;
    auto spooler = platform::spooler::FolderSpooler::open((m_dir / "spool").string(), &error);
    ASSERT_TRUE(spooler) << error;
    ASSERT_TRUE(typestone::PrintPicture(*spooler, "Office", page, m_dir.string(), &error)) << error;
    int pdfs = 0;
    for (const auto& e : fs::directory_iterator(m_dir / "spool" / "Office"))
        pdfs += e.path().extension() == ".pdf";
    EXPECT_EQ(pdfs, 1);
    EXPECT_FALSE(typestone::PrintPicture(*spooler, "Nobody", page, m_dir.string(), &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
