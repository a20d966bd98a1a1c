#include "klv_inet/webupdate/prod_update_text.h"
#include "klv_inet/webupdate/product.h"
#include "klv_inet/widgets/prod_update.h"
#include "klv_inet/widgets/upd_form.h"
#include "klv_inet/widgets/update_dialog_widget_host.h"

#include "platform/ui/message_box.h"

#include <QApplication>
#include <QTimer>
#include <thread>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<CProduct> product(const std::string& name, uint32_t size, uint32_t current = 0,
                                  uint32_t update = 300)
{
    auto p = std::make_unique<CProduct>("Typestone");
    p->m_szName = name;
    p->m_nSize = size;
    p->m_nCurrVersion = current;
    p->m_nUpdVersion = update;
    p->m_szDate = "11/07/2023";
    p->m_szDescription = "<b>%s%n</b>";
    p->m_bChosen = 1;
    return p;
}

} // namespace

TEST(UpdForm, SubmitFollowsTheFourRequiredFields)
{
    struct Case
    {
        const char* what;
        const char *email, *name, *company, *city, *country;
        bool ready;
    };
    const Case cases[] = {
        {"all five", "a@b", "N", "C", "Ci", "Co", true}, {"no e-mail", "", "N", "C", "Ci", "Co", true},
        {"no name", "a@b", "", "C", "Ci", "Co", false},  {"no company", "a@b", "N", "", "Ci", "Co", false},
        {"no city", "a@b", "N", "C", "", "Co", false},   {"no country", "a@b", "N", "C", "Ci", "", false},
    };
    for (const Case& c : cases) {
        CUpdForm form;
        form.SetData(c.email, c.name, c.company, c.city, c.country);
        EXPECT_EQ(form.submitButton()->isEnabled(), c.ready) << c.what;
    }
    CUpdForm form;
    EXPECT_FALSE(form.submitButton()->isEnabled());
    form.SetData("", "N", "C", "Ci", "Co");
    ASSERT_TRUE(form.submitButton()->isEnabled());
    form.edit(CUpdForm::kCity)->clear(); // at once, as the user clears it
    EXPECT_FALSE(form.submitButton()->isEnabled());
    form.edit(CUpdForm::kCity)->setText("Lyon");
    EXPECT_TRUE(form.submitButton()->isEnabled());
    std::string e, n, co, ci, cc;
    form.GetData(e, n, co, ci, cc);
    EXPECT_EQ(ci, "Lyon");
    EXPECT_EQ(form.findChild<QLineEdit*>("1035"), form.edit(CUpdForm::kEmail));
}

TEST(ProdUpdate, LinesAndPane)
{
    auto term = product("Term", 1536 * 1024, 0, 243);
    EXPECT_EQ(klv::ProductLine(*term), "Term" + std::string(36, ' ') + "    1536 KB");
    term->m_nCurrVersion = 0;
    const std::string pane = klv::ProductPaneText(*term);
    EXPECT_EQ(pane, "Update Version:     2.43.00\n"
                    "Size:               1536 KB\n"
                    "Date:               11/07/2023\n"
                    "Installed Version:  Unknown/Not Installed\n"
                    "Platform:           Windows\n\n"
                    "<b>%s%n</b>");

    auto gone = product("Gone", 1024);
    gone->m_bAvailable = 0; // not from this country
    auto old = product("Old", 2048, 300, 300);
    std::vector<CProduct*> list{term.get(), gone.get(), old.get()};
    CProdUpdate dialog(&list, 1);
    ASSERT_EQ(dialog.list()->count(), 1);
    EXPECT_EQ(dialog.list()->item(0)->text().toStdString(), klv::ProductLine(*term));
    EXPECT_EQ(dialog.currentProduct(), term.get());
    EXPECT_TRUE(dialog.moreInfoButton()->isEnabled());
    EXPECT_EQ(dialog.pane()->textFormat(), Qt::PlainText); // remote text is never markup
    EXPECT_EQ(dialog.pane()->text().toStdString(), pane);
    EXPECT_TRUE(dialog.notifyBox()->isChecked());
}

TEST(ProdUpdate, OkStoresTheTicks)
{
    auto a = product("Alpha", 1024);
    auto b = product("Beta", 2048);
    std::vector<CProduct*> list{a.get(), b.get()};
    CProdUpdate dialog(&list, 0);
    ASSERT_EQ(dialog.list()->count(), 2);
    dialog.list()->item(1)->setCheckState(Qt::Unchecked);
    dialog.notifyBox()->setChecked(true);
    dialog.accept();
    EXPECT_EQ(a->m_bChosen, 1);
    EXPECT_EQ(b->m_bChosen, 0);
    EXPECT_EQ(dialog.notifyValue(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    CProdUpdate none(nullptr, 0);
    EXPECT_FALSE(none.list()->isEnabled());
    EXPECT_FALSE(none.moreInfoButton()->isEnabled());
    none.accept(); // changes no product, and does not fail
}

TEST(ProdUpdate, LinesEqualWithoutCaseShowTheFirst)
{
    auto first = product("Term", 1024);
    first->m_szDescription = "first";
    auto second = product("TERM", 1024);
    second->m_szDescription = "second";
    std::vector<CProduct*> list{first.get(), second.get()};
    CProdUpdate dialog(&list, 0);
    ASSERT_EQ(dialog.list()->count(), 2);
    for (int row : {0, 1}) {
        dialog.list()->setCurrentRow(row);
        EXPECT_EQ(dialog.currentProduct(), first.get()) << row;
        EXPECT_TRUE(dialog.pane()->text().endsWith("first"));
    }
}

TEST(UpdateDialogWidgetHost, RunsTheFormModallyOnTheGuiThreadOnly)
{
    klv::widgets::UpdateDialogWidgetHost host;
    klv::UserFormData data{"", "Jo", "ACME", "", "FR"};
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<CUpdForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        EXPECT_FALSE(form->submitButton()->isEnabled()); // the city is missing
        form->edit(CUpdForm::kCity)->setText("Lyon");
        form->submitButton()->click();
    });
    EXPECT_EQ(host.runUpdateForm(data), platform::ui::kIdOk);
    EXPECT_EQ(data.city, "Lyon");
    EXPECT_EQ(data.name, "Jo");

    int rc = 0;
    std::thread worker([&] { rc = host.runUpdateForm(data); });
    worker.join();
    EXPECT_EQ(rc, platform::ui::kIdCancel); // never a widget on a worker thread
}
