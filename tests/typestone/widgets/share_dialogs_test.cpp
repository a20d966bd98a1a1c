#include "typestone/widgets/password_limit.h"
#include "typestone/widgets/prt_settings_dlg.h"
#include "typestone/widgets/pwd_confirm.h"
#include "typestone/widgets/setup_prt_config.h"
#include "typestone/widgets/share_prt.h"

#include "widgets_app.h"

#include "platform/spooler/folder_spooler.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/env/temp_dir.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using platform::ui::ScriptedUiBridge;
using typestone::CPwdConfirm;
using typestone::CSharePrt;
using typestone::PRTCFG;

namespace {

class ShareDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        widgetstest::app();
        bridge = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(bridge);
        record.printerName = "Laser";
        record.bShared = true;
        record.shareName = "LSR";
        record.SetPassword("secret");
        record.installed = true;
    }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> out;
        for (const auto& c : bridge->calls())
            if (c.kind == ScriptedUiBridge::Call::Kind::MessageBox)
                out.push_back(c.box.text);
        return out;
    }

    std::shared_ptr<ScriptedUiBridge> bridge;
    PRTCFG record;
};

TEST_F(ShareDialogsTest, OkAsksForConfirmationOnlyForARealChange)
{
    struct Case
    {
        const char* typed;
        bool asks;
    } cases[] = {{"secret", false}, {"SeCrEt", false}, {"other", true}, {"", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CSharePrt dialog(record);
        dialog.passwordEdit()->setText(c.typed);
        bool asked = false;
        if (c.asks) {
            // The person types the new password a second time, correctly.
            widgetstest::whenModal<CPwdConfirm>([&asked, &c](CPwdConfirm* confirm) {
                asked = true;
                confirm->passwordEdit()->setText(c.typed);
                confirm->accept();
            });
        }
        dialog.accept();
        EXPECT_EQ(asked, c.asks);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        PRTCFG out;
        dialog.CopyTo(&out);
        EXPECT_EQ(out.Password(), c.typed);
        EXPECT_TRUE(out.installed);
        EXPECT_TRUE(out.bShared);
        EXPECT_EQ(out.shareName, "LSR");
        EXPECT_EQ(out.printerName, "Laser");
    }
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(ShareDialogsTest, CancelledConfirmationKeepsTheShareDialogOpen)
{
    CSharePrt dialog(record);
    dialog.passwordEdit()->setText("changed");
    widgetstest::whenModal<CPwdConfirm>([](CPwdConfirm* confirm) { confirm->reject(); });
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(ShareDialogsTest, MismatchKeepsTheConfirmationOpen)
{
    CPwdConfirm confirm("newpw", typestone::kPasswordLimit);
    confirm.show();
    confirm.passwordEdit()->setText("newpx");
    confirm.accept();
    EXPECT_TRUE(confirm.isVisible());
    EXPECT_NE(confirm.result(), QDialog::Accepted);
    ASSERT_EQ(boxTexts().size(), 1u);
    EXPECT_EQ(boxTexts()[0], "The password is incorrect");

    // Letter case does not count.
    confirm.passwordEdit()->setText("NEWPW");
    confirm.accept();
    EXPECT_EQ(confirm.result(), QDialog::Accepted);
    EXPECT_EQ(boxTexts().size(), 1u);
}

TEST_F(ShareDialogsTest, NinthPasswordCharacterIsCutAfterTheMessage)
{
    CSharePrt share(record);
    CPwdConfirm confirm("x", typestone::kPasswordLimit);
    for (QLineEdit* edit : {share.passwordEdit(), confirm.passwordEdit()}) {
        bridge = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(bridge);
        // The text as it stands when the message is shown: the ninth character still there.
        std::string shownWith;
        bridge->setObserver(
            [&shownWith, edit](const ScriptedUiBridge::Call&) { shownWith = edit->text().toStdString(); });
        edit->setText("12345678");
        EXPECT_TRUE(boxTexts().empty()) << "eight characters are allowed";
        edit->setText("123456789");
        ASSERT_EQ(boxTexts().size(), 1u);
        EXPECT_EQ(boxTexts()[0], "Maximum password length is 8 characters.");
        EXPECT_EQ(shownWith, "123456789");
        EXPECT_EQ(edit->text(), "12345678");
    }
}

TEST_F(ShareDialogsTest, LimitPasswordNeverSplitsACharacter)
{
    std::string text = "abcdefg\xC3\xB1"; // 9 bytes: the last character takes two
    EXPECT_FALSE(typestone::LimitPassword(&text, typestone::kPasswordLimit));
    EXPECT_EQ(text, "abcdefg");
    std::string free = "anything at all";
    EXPECT_TRUE(typestone::LimitPassword(&free, 0));
}

TEST_F(ShareDialogsTest, CancelLeavesTheRecordUnchanged)
{
    const PRTCFG before = record;
    widgetstest::whenModal<CSharePrt>([](CSharePrt* dialog) {
        dialog->notSharedButton()->setChecked(true);
        dialog->shareNameEdit()->setText("Other");
        dialog->passwordEdit()->setText("changed");
        dialog->reject();
    });
    EXPECT_FALSE(typestone::EditShare(record, nullptr));
    EXPECT_EQ(record.Password(), before.Password());
    EXPECT_EQ(record.bShared, before.bShared);
    EXPECT_EQ(record.shareName, before.shareName);
}

TEST_F(ShareDialogsTest, ShareNameIsBoundedInBytes)
{
    CSharePrt dialog(record);
    QString name;
    for (int i = 0; i < 300; ++i)
        name += QChar(0xF1); // two bytes each in UTF-8
    dialog.shareNameEdit()->setText(name);
    dialog.accept();
    PRTCFG out;
    dialog.CopyTo(&out);
    EXPECT_LE(out.shareName.size(), size_t(CSharePrt::kMaxShareName));
    EXPECT_GE(out.shareName.size(), size_t(CSharePrt::kMaxShareName - 1));
    EXPECT_TRUE(QString::fromStdString(out.shareName).startsWith(QChar(0xF1)));
    EXPECT_EQ(out.shareName.size() % 2, 0u) << "no character is split";
}

TEST_F(ShareDialogsTest, NotSharedDisablesNameAndPassword)
{
    CSharePrt dialog(record);
    EXPECT_TRUE(dialog.shareNameEdit()->isEnabled());
    dialog.notSharedButton()->setChecked(true);
    EXPECT_FALSE(dialog.shareNameEdit()->isEnabled());
    EXPECT_FALSE(dialog.passwordEdit()->isEnabled());
    dialog.accept(); // the password is unchanged: no confirmation
    PRTCFG out;
    out.devNames = typestone::DevNames{};
    dialog.CopyTo(&out);
    EXPECT_FALSE(out.bShared);
    EXPECT_TRUE(out.devNames.has_value()) << "the driver names are the caller's";
}

} // namespace

namespace {

// The share editor's "Print Test" is there only once desktop mode gave it its action, and runs
// it for the dialog's printer with the dialog's device settings.
TEST_F(ShareDialogsTest, PrintTestButtonRunsTheGivenTest)
{
    auto findTest = [](QWidget* dialog) -> QPushButton* {
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "Print Test")
                return b;
        return nullptr;
    };
    std::string tested;
    widgetstest::whenModal<CSharePrt>([&](CSharePrt* dialog) {
        EXPECT_EQ(findTest(dialog), nullptr);
        dialog->reject();
    });
    EXPECT_FALSE(typestone::EditShare(record, nullptr));

    CSharePrt::Actions actions;
    actions.printTest = [&](const std::string& printer, const std::optional<typestone::DevMode>&, QWidget*) {
        tested = printer;
    };
    typestone::SetShareActions(actions);
    widgetstest::whenModal<CSharePrt>([&](CSharePrt* dialog) {
        QPushButton* test = findTest(dialog);
        ASSERT_NE(test, nullptr);
        test->click();
        dialog->reject();
    });
    EXPECT_FALSE(typestone::EditShare(record, nullptr));
    typestone::SetShareActions({});
    EXPECT_EQ(tested, "Laser");
}

// "Properties..." is there once desktop mode gave it its action; it edits the dialog's copy of
// the device settings, which a cancelled settings dialog leaves alone and OK replaces.
TEST_F(ShareDialogsTest, PropertiesReplacesTheCopyOnlyOnOk)
{
    ts::support::TempDir dir("ts-share-props");
    std::string error;
    auto spooler = platform::spooler::FolderSpooler::open(dir.path("spool"), &error);
    ASSERT_TRUE(spooler) << error;
    ASSERT_TRUE(spooler->addPrinter("Laser", &error)) << error;
    platform::spooler::PrinterDefaults own;
    own.copies = 3;
    typestone::DevMode copy("Laser", own);
    copy.extra = {{"finisher", "staple"}};
    record.devMode = copy;

    widgetstest::whenModal<CSharePrt>([](CSharePrt* dialog) {
        EXPECT_EQ(dialog->findChild<QPushButton*>("properties"), nullptr);
        dialog->reject();
    });
    EXPECT_FALSE(typestone::EditShare(record, nullptr));

    CSharePrt::Actions actions;
    actions.properties = [&spooler](const std::string& printer, std::optional<typestone::DevMode>* devMode,
                                    QWidget* parent) {
        return typestone::EditPrinterSettings(*spooler, printer, devMode, parent);
    };
    typestone::SetShareActions(actions);
    std::optional<typestone::DevMode> afterCancel;
    widgetstest::whenModal<CSharePrt>([&afterCancel](CSharePrt* dialog) {
        QPushButton* properties = dialog->findChild<QPushButton*>("properties");
        ASSERT_NE(properties, nullptr);
        EXPECT_EQ(properties->text(), "Properties...");
        widgetstest::whenModal<typestone::CPrtSettingsDlg>([](typestone::CPrtSettingsDlg* settings) {
            settings->copiesBox()->setValue(5);
            settings->reject();
        });
        properties->click();
        PRTCFG seen;
        dialog->CopyTo(&seen);
        afterCancel = seen.devMode;

        widgetstest::whenModal<typestone::CPrtSettingsDlg>([](typestone::CPrtSettingsDlg* settings) {
            EXPECT_EQ(settings->copiesBox()->value(), 3) << "the dialog shows the copy";
            settings->copiesBox()->setValue(9);
            settings->accept();
        });
        properties->click();
        dialog->accept();
    });
    const bool ok = typestone::EditShare(record, nullptr);
    typestone::SetShareActions({});
    ASSERT_TRUE(ok);
    EXPECT_EQ(afterCancel, copy) << "Cancel left the copy as it was";
    typestone::DevMode expected = copy;
    expected.settings.copies = 9;
    ASSERT_TRUE(record.devMode.has_value());
    EXPECT_EQ(*record.devMode, expected);
    EXPECT_TRUE(boxTexts().empty());
}

} // namespace
