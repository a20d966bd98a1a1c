#include "typestone/widgets/printers_dialog.h"

#include "../server/job_test_env.h"

#include "klv_inet/support/reg_entry.h"

#include "platform/ui/message_box.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QTreeWidget>
#include <memory>

#include <gtest/gtest.h>

using typestone::CPrinter;
using typestone::PrintersDialog;
using typestone::PRTCFG;

namespace {

// The application lives from the first test to the end of the run and is taken down by the
// test environment, before static destruction: Qt's per-thread font caches are freed with it
// then, not after the storage that holds them is gone.
class AppEnvironment : public ::testing::Environment
{
public:
    QApplication& get()
    {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        if (!m_app)
            m_app = std::make_unique<QApplication>(argc, argv);
        return *m_app;
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

AppEnvironment* const appEnvironment =
    static_cast<AppEnvironment*>(::testing::AddGlobalTestEnvironment(new AppEnvironment));

QApplication& app()
{
    return appEnvironment->get();
}

class PrintersDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app();
        env.addPrinter("Alpha");
        env.addPrinter("Beta");
        env.addPrinter("Gamma");
        printers = std::make_unique<CPrinter>(&env.folder());
        save("Beta", true, "pw", "BShare");
        save("Gamma", false, "", "");
        bridge = std::make_shared<platform::ui::ScriptedUiBridge>();
        platform::ui::setBridge(bridge);
    }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    void save(const std::string& name, bool shared, const std::string& password, const std::string& share)
    {
        PRTCFG r;
        r.printerName = name;
        r.bShared = shared;
        r.SetPassword(password);
        r.shareName = share;
        r.devMode = typestone::DevMode(name, {});
        ASSERT_TRUE(printers->SavePrtEntry(nullptr, &r));
    }

    std::vector<platform::ui::ScriptedUiBridge::Call> boxes() const
    {
        std::vector<platform::ui::ScriptedUiBridge::Call> out;
        for (const auto& c : bridge->calls())
            if (c.kind == platform::ui::ScriptedUiBridge::Call::Kind::MessageBox)
                out.push_back(c);
        return out;
    }

    jobtest::JobTestEnv env;
    std::unique_ptr<CPrinter> printers;
    std::shared_ptr<platform::ui::ScriptedUiBridge> bridge;
};

} // namespace

TEST_F(PrintersDialogTest, ListsPrintersWithTheirShareState)
{
    PrintersDialog dialog(*printers);
    QTreeWidget* list = dialog.printerList();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->headerItem()->text(0), "Printer");
    struct Row
    {
        const char* printer;
        const char* shared;
        const char* name;
    } rows[] = {{"Alpha", "Yes", ""}, {"Beta", "Password", "BShare"}, {"Gamma", "No", ""}};
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        EXPECT_EQ(item->text(0), rows[i].printer);
        EXPECT_EQ(item->text(1), rows[i].shared) << rows[i].printer;
        EXPECT_EQ(item->text(2), rows[i].name) << rows[i].printer;
    }
    EXPECT_EQ(dialog.servicePortEdit()->text(), "3339");
    EXPECT_EQ(dialog.auxPortEdit()->text(), "3341");
}

TEST_F(PrintersDialogTest, PortRules)
{
    PrintersDialog dialog(*printers);
    // The auxiliary port may not equal the service port: replaced by service + 2 after a message.
    dialog.auxPortEdit()->setText("3339");
    dialog.auxPortEntered();
    EXPECT_EQ(dialog.auxPortEdit()->text(), "3341");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_NE(boxes()[0].box.text.find("must be different"), std::string::npos);

    // A new service port proposes its default auxiliary port; Yes takes it, No keeps the old.
    bridge->pushBoxAnswer(platform::ui::kIdYes);
    dialog.servicePortEdit()->setText("0x1000"); // 4096
    dialog.servicePortEntered();
    EXPECT_EQ(dialog.auxPortEdit()->text(), "4098");
    EXPECT_NE(boxes().back().box.text.find("4098"), std::string::npos);

    bridge->pushBoxAnswer(platform::ui::kIdNo);
    dialog.servicePortEdit()->setText("5000");
    dialog.servicePortEntered();
    EXPECT_EQ(dialog.auxPortEdit()->text(), "4098");
    const size_t shown = boxes().size();
    dialog.servicePortEntered(); // unchanged: no question
    EXPECT_EQ(boxes().size(), shown);
}

TEST_F(PrintersDialogTest, OkChecksPortsAndStores)
{
    PrintersDialog dialog(*printers);
    dialog.servicePortEdit()->setText("70000");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << "a bad port keeps the dialog open";
    EXPECT_FALSE(printers->ClosedWithOk());
    ASSERT_EQ(boxes().size(), 1u);

    dialog.servicePortEdit()->setText("4000");
    dialog.auxPortEdit()->setText("4002");
    dialog.useDnsBox()->setChecked(true);
    dialog.progressGroup()->button(0)->setChecked(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const CPrinter::DialogValues v = printers->GetDlgValues();
    EXPECT_EQ(v.servicePort, 4000);
    EXPECT_EQ(v.auxPort, 4002);
    EXPECT_TRUE(v.useDns);
    EXPECT_EQ(v.progressMode, CPrinter::kProgressDisabled);
    EXPECT_TRUE(printers->ClosedWithOk());
    PRTCFG alpha;
    EXPECT_TRUE(printers->GetPrtCfg("Alpha", &alpha)) << "OK saved every record";
}

TEST_F(PrintersDialogTest, EditedRecordIsShownAndKept)
{
    PrintersDialog dialog(*printers);
    dialog.setShareEditor([](PRTCFG& record, QWidget*) {
        record.bShared = true;
        record.SetPassword("newpass");
        record.shareName = "AShare";
        return true;
    });
    QTreeWidgetItem* alpha = dialog.printerList()->topLevelItem(0);
    dialog.editRow(alpha);
    EXPECT_EQ(alpha->text(1), "Password");
    EXPECT_EQ(alpha->text(2), "AShare");
    std::optional<PRTCFG> kept = printers->FindPrtCfg("Alpha");
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->Password(), "newpass");
}
