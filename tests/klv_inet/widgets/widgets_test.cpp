#include "klv_inet/widgets/desktop_ui.h"
#include "klv_inet/widgets/message_box_view.h"
#include "klv_inet/widgets/msg_dlg_widget.h"
#include "klv_inet/widgets/msg_dlg_widget_host.h"
#include "klv_inet/widgets/unsupported_command_view.h"

#include "klv_inet/support/kbd.h"
#include "klv_inet/support/kbd_provider.h"
#include "klv_inet/support/msg_box.h"
#include "klv_inet/support/msg_box_format.h"
#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/msg_dlg_ids.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

// fontconfig keeps a cache for the life of the process, which the leak checker of the
// sanitizer build would report; it is not ours to free.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

using namespace std::chrono_literals;
using namespace klv::msgdlg;

class WidgetsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "widgets_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    // Runs the GUI thread's events until `done` holds; false after ten seconds.
    static bool pumpUntil(const std::function<bool()>& done)
    {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }

    static QWidget* topLevel(const QString& name)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible())
                return w;
        return nullptr;
    }
};

TEST_F(WidgetsTest, WorkerBoxIsShownOnTheGuiThreadAndTimesOutToItsDefault)
{
    klv::widgets::DesktopUi ui;
    std::string trace;
    auto answer = std::async(std::launch::async, [&trace] {
        const int a = PLM_TimedMsgBox("Replace the file?",
                                      platform::ui::kMbYesNo | platform::ui::kMbDefButton2, 0, 300);
        trace = GetMsgBox_Traces();
        return a;
    });
    // The box runs its own event loop; a timer sees it from inside that loop.
    bool seen = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout,
                     [&seen] { seen = seen || topLevel(klv::widgets::kMessageBoxName); });
    watcher.start(10);
    ASSERT_TRUE(pumpUntil([&] { return answer.wait_for(0s) == std::future_status::ready; }));
    EXPECT_TRUE(seen);
    EXPECT_EQ(answer.get(), platform::ui::kIdNo);
    EXPECT_NE(trace.find("TIMEOUTED"), std::string::npos);
}

TEST_F(WidgetsTest, ClickedButtonIsTheAnswer)
{
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(topLevel(klv::widgets::kMessageBoxName)))
            box->button(QMessageBox::Retry)->click();
    });
    clicker.start(20);
    const platform::ui::MessageBoxRequest request{"Printer offline", "Typestone",
                                                  platform::ui::kMbRetryCancel, 10000};
    EXPECT_EQ(klv::widgets::showMessageBox(request), platform::ui::kIdRetry);
}

TEST_F(WidgetsTest, TextQuestionTakesTheTypedAnswerClipped)
{
    klv::widgets::DesktopUi ui;
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QInputDialog*>(w); dialog && dialog->isVisible()) {
                dialog->setTextValue("secret-password");
                dialog->accept();
            }
    });
    typist.start(20);
    const auto answer = platform::ui::bridge().askText({"Password:", "Share", "", 6, 10000});
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, "secret");
}

TEST_F(WidgetsTest, KeyboardQuestionIsADropDownListOfTheCodes)
{
    struct Fr final : klv::KbdProvider
    {
        std::string keyboardCode() override { return "FR"; }
    };
    klv::SetKbdProvider(std::make_shared<Fr>());
    klv::widgets::DesktopUi ui;
    QStringList offered;
    QString selected;
    QTimer picker;
    QObject::connect(&picker, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QInputDialog*>(w); dialog && dialog->isVisible()) {
                const auto* list = dialog->findChild<QComboBox*>();
                if (list == nullptr || list->isEditable())
                    return;
                for (int i = 0; i < list->count(); ++i)
                    offered << list->itemText(i);
                selected = dialog->textValue();
                EXPECT_EQ(dialog->windowTitle(), "Keyboard Selection For Debugging");
                dialog->setTextValue("BE");
                dialog->accept();
            }
    });
    picker.start(20);
    std::string code;
    GetKbd(code, 1, 1);
    klv::SetKbdProvider(nullptr);
    EXPECT_EQ(code, "BE");
    EXPECT_EQ(offered.join(','), "US,UK,FR,IT,SP,SG,SF,LA,CA,FC,BE,GR");
    EXPECT_EQ(selected, "FR");
}

TEST_F(WidgetsTest, MessageDialogViewFollowsItsModelAndReportsCancel)
{
    klv::widgets::DesktopUi ui;
    const char* lines[] = {"Printing: 'job.prt'", nullptr};
    std::atomic<int> cancelled{0};
    CMsgDlgOptions o;
    o.templateId = kTemplateJobProgress;
    o.title = "Job";
    o.lines = lines;
    o.cancellable = true;
    o.cancelFlag = &cancelled;
    auto* dlg = new CMsgDlg(o);
    const unsigned id = dlg->id();
    dlg->SetPos(40);
    klv::widgets::MsgDlgWidget* view = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        view = ui.dialogs().widget(id);
        auto* bar = view ? view->findChild<QProgressBar*>("1212") : nullptr;
        return bar && bar->value() == 40;
    }));
    EXPECT_TRUE(view->isVisible());
    ASSERT_NE(view->findChild<QLabel*>("1117"), nullptr);
    EXPECT_EQ(view->findChild<QLabel*>("1117")->text(), "Printing: 'job.prt'");
    EXPECT_EQ(view->findChild<QLabel*>("1047")->text(), "Level 1");

    auto* cancel = view->findChild<QPushButton*>("2");
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(pumpUntil([&] { return !cancel->isEnabled(); }));

    delete dlg;
    EXPECT_TRUE(pumpUntil([&] { return ui.dialogs().widget(id) == nullptr; }));
}

TEST_F(WidgetsTest, ProgressDisplayFromAWorkerCanBeCancelled)
{
    klv::widgets::DesktopUi ui;
    platform::ui::ProgressId id = platform::ui::kNoProgress;
    std::thread([&id] {
        id = platform::ui::bridge().openProgress({"Copy", {"a.txt"}, {}, {}});
        platform::ui::bridge().updateProgress(id, {{"a.txt", "b.txt"}, 1, 55, "00:10"});
    }).join();
    ASSERT_NE(id, platform::ui::kNoProgress);
    QWidget* window = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        window = topLevel("klvProgress");
        auto* bar = window ? window->findChild<QProgressBar*>() : nullptr;
        return bar && bar->value() == 55;
    }));
    EXPECT_FALSE(platform::ui::bridge().progressCancelled(id));
    window->findChild<QPushButton*>()->click();
    EXPECT_TRUE(platform::ui::bridge().progressCancelled(id));
    platform::ui::bridge().closeProgress(id);
    EXPECT_TRUE(pumpUntil([&] { return topLevel("klvProgress") == nullptr; }));
}

// The report from a worker: its text, the update button that runs the update on the GUI
// thread and is disabled when no site can be reached, the check box, OK.
TEST_F(WidgetsTest, UnsupportedCommandReportFromAWorker)
{
    klv::widgets::DesktopUi ui;
    std::atomic<int> updates{0};
    bool updateOnGuiThread = false;
    platform::ui::UnsupportedCommandRequest request;
    request.caption = "Error: Unsupported Command";
    request.text = "Typestone 2.42\n\nPage #1: Command #3 (0x0003) -> Unknown";
    request.update = [&updates, &updateOnGuiThread] {
        updateOnGuiThread = QThread::currentThread() == QApplication::instance()->thread();
        ++updates;
        return false; // no update site can be reached
    };
    request.timeoutMs = 10000;
    auto answer = std::async(std::launch::async,
                             [&request] { return platform::ui::bridge().unsupportedCommand(request); });

    int step = 0;
    bool updateDisabledAfterPress = false;
    QString shownText;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        QWidget* dialog = topLevel(klv::widgets::kUnsupportedCommandName);
        if (!dialog)
            return;
        auto* update = dialog->findChild<QPushButton*>(klv::widgets::kUnsupportedUpdateName);
        auto* ignore = dialog->findChild<QCheckBox*>(klv::widgets::kUnsupportedIgnoreName);
        auto* text = dialog->findChild<QLabel*>(klv::widgets::kUnsupportedTextName);
        if (!update || !ignore || !text)
            return;
        if (step == 0 && update->isEnabled()) {
            shownText = text->text();
            update->click();
            updateDisabledAfterPress = !update->isEnabled();
            ignore->setChecked(true);
            step = 1;
        } else if (step == 1) {
            qobject_cast<QDialog*>(dialog)->accept();
            step = 2;
        }
    });
    person.start(20);
    ASSERT_TRUE(pumpUntil([&] { return answer.wait_for(0s) == std::future_status::ready; }));
    const platform::ui::UnsupportedCommandAnswer got = answer.get();
    EXPECT_TRUE(got.ignoreLater);
    EXPECT_FALSE(got.timedOut);
    EXPECT_EQ(updates.load(), 1);
    EXPECT_TRUE(updateOnGuiThread);
    EXPECT_TRUE(updateDisabledAfterPress);
    EXPECT_EQ(shownText.toStdString(), request.text);
}

TEST_F(WidgetsTest, UnsupportedCommandReportNobodyClosesEndsAtItsTimeOut)
{
    klv::widgets::DesktopUi ui;
    platform::ui::UnsupportedCommandRequest request;
    request.text = "Page #1: Command #44 (0x002c) -> Unknown";
    request.timeoutMs = 200;
    auto answer = std::async(std::launch::async,
                             [&request] { return platform::ui::bridge().unsupportedCommand(request); });
    ASSERT_TRUE(pumpUntil([&] { return answer.wait_for(0s) == std::future_status::ready; }));
    const platform::ui::UnsupportedCommandAnswer got = answer.get();
    EXPECT_TRUE(got.timedOut);
    EXPECT_FALSE(got.ignoreLater);
}

// The owner answered that the work goes on: the cancel is taken back and Cancel works again.
TEST_F(WidgetsTest, ProgressCancelTakenBackCanBePressedAgain)
{
    klv::widgets::DesktopUi ui;
    platform::ui::ProgressId id = platform::ui::kNoProgress;
    std::thread([&id] {
        id = platform::ui::bridge().openProgress({"Office", {"Printing 'job'..."}, {}, {}});
    }).join();
    QWidget* window = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (window = topLevel("klvProgress")) != nullptr; }));
    auto* cancel = window->findChild<QPushButton*>();
    cancel->click();
    EXPECT_TRUE(platform::ui::bridge().progressCancelled(id));
    EXPECT_FALSE(cancel->isEnabled());
    std::thread([id] { platform::ui::bridge().clearProgressCancel(id); }).join();
    EXPECT_FALSE(platform::ui::bridge().progressCancelled(id));
    ASSERT_TRUE(pumpUntil([&] { return cancel->isEnabled(); }));
    cancel->click();
    EXPECT_TRUE(platform::ui::bridge().progressCancelled(id));
    platform::ui::bridge().closeProgress(id);
    EXPECT_TRUE(pumpUntil([&] { return topLevel("klvProgress") == nullptr; }));
}

} // namespace
