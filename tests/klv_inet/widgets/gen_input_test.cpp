// The generic input dialog: texts, focus and the exchange of the values its form has.

#include "klv_inet/widgets/gen_input.h"

#include "tests/support/ui/scripted_ui_bridge.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

using klv::widgets::CGenInput;
using klv::widgets::GenInputForm;

namespace {

class GenInputTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "gen_input_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }
    void SetUp() override { platform::ui::setBridge(bridge); }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    std::shared_ptr<platform::ui::ScriptedUiBridge> bridge =
        std::make_shared<platform::ui::ScriptedUiBridge>();
};

TEST_F(GenInputTest, NumberFormShowsItsTextsAndTakesTheNumber)
{
    CGenInput dialog(uint16_t(42), "Port", "Service port of the server:", nullptr, GenInputForm{true, false});
    EXPECT_EQ(dialog.textField(), nullptr);
    dialog.Create();
    EXPECT_TRUE(dialog.isVisible()) << "modeless";
    EXPECT_EQ(dialog.windowTitle(), "Port");
    EXPECT_EQ(dialog.firstLabel()->text(), "Service port of the server:");
    EXPECT_EQ(dialog.secondLabel()->text(), "") << "a null label is empty";
    EXPECT_EQ(dialog.numberField()->text(), "42");
    EXPECT_EQ(dialog.focusWidget(), dialog.numberField());
    EXPECT_EQ(dialog.numberField()->objectName(), "1035");

    dialog.numberField()->setText("65535");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Number(), 65535);
    EXPECT_EQ(dialog.Text(), "") << "a form without a text field exchanges no text";
    EXPECT_EQ(bridge->callCount(), 0u);
}

TEST_F(GenInputTest, NumberOutsideTheRangeKeepsTheDialogOpen)
{
    CGenInput dialog(uint16_t(7), "Count", "", "", GenInputForm{true, false});
    dialog.Create();
    for (const char* bad : {"65536", "99999", ""}) {
        dialog.numberField()->setText(bad);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << bad;
        EXPECT_EQ(dialog.Number(), 7) << bad;
    }
    const auto calls = bridge->calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_NE(calls[0].box.text.find("0 to 65535"), std::string::npos);
    EXPECT_FALSE(dialog.numberField()->validator() == nullptr) << "only digits can be typed";
}

TEST_F(GenInputTest, TextFormAndBothFields)
{
    CGenInput text(std::string("LPT1"), "Printer", "Name:", "of the queue",
                   GenInputForm{false, true, true, false});
    EXPECT_EQ(text.numberField(), nullptr);
    EXPECT_EQ(text.secondLabel(), nullptr);
    text.OnInitDialog();
    EXPECT_EQ(text.textField()->text(), "LPT1");
    text.textField()->setText("Laser 2");
    ASSERT_TRUE(text.DoDataExchange(true));
    EXPECT_EQ(text.Text(), "Laser 2");
    EXPECT_EQ(text.Number(), 0);

    CGenInput both(std::string("x"), nullptr, nullptr, nullptr, GenInputForm{true, true});
    both.OnInitDialog();
    EXPECT_EQ(both.windowTitle(), "");
    EXPECT_EQ(both.focusWidget(), both.textField()) << "the text field has the focus when both exist";
    both.SetTexts("Again", "First", nullptr);
    both.OnInitDialog();
    EXPECT_EQ(both.windowTitle(), "Again");
    EXPECT_EQ(both.firstLabel()->text(), "First");
    EXPECT_EQ(both.secondLabel()->text(), "");
}

} // namespace
