#include "typestone/widgets/prt_settings_dlg.h"
#include "typestone/widgets/prt_settings_state.h"
#include "typestone/widgets/setup_prt_config.h"

#include "widgets_app.h"

#include "typestone/engine/printer_open_lock.h"

#include "platform/spooler/cups_spooler.h"
#include "platform/spooler/folder_spooler.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/cupsd/private_cupsd.h"
#include "tests/support/cupsd/settings_ppd.h"
#include "tests/support/env/temp_dir.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using platform::ui::ScriptedUiBridge;
using typestone::CPrtSettingsDlg;
using typestone::DevMode;
namespace sp = platform::spooler;

namespace {

void choose(QComboBox* box, const QVariant& value)
{
    const int index = box->findData(value);
    ASSERT_GE(index, 0) << value.toString().toStdString();
    box->setCurrentIndex(index);
}

class PrtSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        widgetstest::app();
        bridge = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(bridge);
        std::string error;
        spooler = sp::FolderSpooler::open(dir.path("spool"), &error);
        ASSERT_TRUE(spooler) << error;
        ASSERT_TRUE(spooler->addPrinter("Laser", &error)) << error;
        driver.margins = sp::Margins{500, 600, 700, 800};
        driver.resolution = sp::Resolution{300, 300};
        ASSERT_TRUE(spooler->saveDefaults("Laser", driver, &error)) << error;

        stored.setDeviceName("Laser");
        stored.settings.media = "na_letter_8.5x11in";
        stored.settings.copies = 2;
        stored.settings.margins = sp::Margins{1, 2, 3, 4}; // never used: the margins are the printer's
        stored.extra = {{"finisher", "staple"}, {"tray", "2"}};
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

    // What the settings come to without the dialog: the stored ones over the printer's.
    DevMode merged() const
    {
        DevMode m = stored;
        m.settings.margins = driver.margins;
        return m;
    }

    ts::support::TempDir dir{"ts-prtsettings"};
    std::shared_ptr<ScriptedUiBridge> bridge;
    std::unique_ptr<sp::FolderSpooler> spooler;
    sp::PrinterDefaults driver;
    DevMode stored;
};

TEST_F(PrtSettingsTest, WithoutPromptTheStoredSettingsOverThePrinters)
{
    DevMode out;
    ASSERT_TRUE(typestone::SetupPrtConfig(*spooler, &stored, "Laser", &out, false, nullptr));
    EXPECT_EQ(out, merged());

    ASSERT_TRUE(typestone::SetupPrtConfig(*spooler, nullptr, "Laser", &out, false, nullptr));
    EXPECT_EQ(out, DevMode("Laser", driver)) << "no stored settings: the printer's own";
    EXPECT_TRUE(boxTexts().empty());
}

// OK gives the settings with exactly the fields that were changed in the dialog.
TEST_F(PrtSettingsTest, OkGivesExactlyTheChangedFields)
{
    struct Case
    {
        const char* name;
        std::function<void(CPrtSettingsDlg*)> edit;
        std::function<void(sp::PrinterDefaults*)> expect;
    } cases[] = {
        {"nothing", [](CPrtSettingsDlg*) {}, [](sp::PrinterDefaults*) {}},
        {"paper", [](CPrtSettingsDlg* d) { choose(d->mediaBox(), QString("iso_a3_297x420mm")); },
         [](sp::PrinterDefaults* s) { s->media = "iso_a3_297x420mm"; }},
        {"orientation",
         [](CPrtSettingsDlg* d) { choose(d->orientationBox(), int(sp::Orientation::Landscape)); },
         [](sp::PrinterDefaults* s) { s->orientation = sp::Orientation::Landscape; }},
        {"copies", [](CPrtSettingsDlg* d) { d->copiesBox()->setValue(999); },
         [](sp::PrinterDefaults* s) { s->copies = 999; }},
        {"two-sided", [](CPrtSettingsDlg* d) { choose(d->sidesBox(), int(sp::Sides::TwoSidedShortEdge)); },
         [](sp::PrinterDefaults* s) { s->sides = sp::Sides::TwoSidedShortEdge; }},
        {"colour", [](CPrtSettingsDlg* d) { choose(d->colourBox(), int(sp::ColorMode::Monochrome)); },
         [](sp::PrinterDefaults* s) { s->colorMode = sp::ColorMode::Monochrome; }},
        {"quality", [](CPrtSettingsDlg* d) { choose(d->qualityBox(), int(sp::PrintQuality::Draft)); },
         [](sp::PrinterDefaults* s) { s->quality = sp::PrintQuality::Draft; }},
        {"all at once",
         [](CPrtSettingsDlg* d) {
             choose(d->orientationBox(), int(sp::Orientation::ReverseLandscape));
             choose(d->sidesBox(), int(sp::Sides::TwoSidedLongEdge));
             choose(d->qualityBox(), int(sp::PrintQuality::High));
             d->copiesBox()->setValue(1);
         },
         [](sp::PrinterDefaults* s) {
             s->orientation = sp::Orientation::ReverseLandscape;
             s->sides = sp::Sides::TwoSidedLongEdge;
             s->quality = sp::PrintQuality::High;
             s->copies = 1;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool shown = false;
        widgetstest::whenModal<CPrtSettingsDlg>([&](CPrtSettingsDlg* dialog) {
            shown = true;
            // The person is asked with the printer free: a job may read it meanwhile.
            typestone::PrinterOpenLock& lock = typestone::PrinterOpenLock::Shared();
            EXPECT_TRUE(lock.lock(std::chrono::milliseconds(0))) << "the printer-open lock is held";
            lock.unlock();
            c.edit(dialog);
            dialog->accept();
        });
        DevMode out;
        ASSERT_TRUE(typestone::SetupPrtConfig(*spooler, &stored, "Laser", &out, true, nullptr));
        EXPECT_TRUE(shown);
        DevMode expected = merged();
        c.expect(&expected.settings);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(out.extra, stored.extra) << "the extra settings are kept";
        EXPECT_EQ(out.deviceName(), "Laser");
    }
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(PrtSettingsTest, CancelGivesFalseWithoutAMessageAndLeavesTheOutput)
{
    widgetstest::whenModal<CPrtSettingsDlg>([](CPrtSettingsDlg* dialog) {
        dialog->copiesBox()->setValue(7);
        dialog->reject();
    });
    DevMode out("Other", sp::PrinterDefaults{});
    const DevMode before = out;
    EXPECT_FALSE(typestone::SetupPrtConfig(*spooler, &stored, "Laser", &out, true, nullptr));
    EXPECT_EQ(out, before);
    EXPECT_TRUE(boxTexts().empty());
}

// A printer that cannot be read is told, with or without the dialog (only a cancel is silent),
// and no dialog opens.
TEST_F(PrtSettingsTest, UnknownPrinterShowsTheErrorText)
{
    for (const bool prompt : {false, true}) {
        SCOPED_TRACE(prompt);
        bridge = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(bridge);
        // Closes a dialog that should not have opened; goes with the scope, so it never fires later.
        bool opened = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
        guard.start(0);
        DevMode out;
        EXPECT_FALSE(typestone::SetupPrtConfig(*spooler, &stored, "Nowhere", &out, prompt, nullptr));
        const std::vector<std::string> texts = boxTexts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rfind("_SetupPrtConfig(Nowhere)\n", 0), 0u) << texts[0];
        EXPECT_GT(texts[0].size(), std::string("_SetupPrtConfig(Nowhere)\n").size()) << "the detail follows";
        EXPECT_FALSE(opened);
    }
}

TEST_F(PrtSettingsTest, PromptOffTheGuiThreadOpensNothing)
{
    bool result = true;
    DevMode out;
    std::thread worker(
        [&] { result = typestone::SetupPrtConfig(*spooler, &stored, "Laser", &out, true, nullptr); });
    worker.join();
    EXPECT_FALSE(result);
    ASSERT_EQ(boxTexts().size(), 1u);
    EXPECT_EQ(boxTexts()[0].rfind("_SetupPrtConfig(Laser)\n", 0), 0u);
}

// The resolution is offered only by a printer that lists more than one.
TEST_F(PrtSettingsTest, ResolutionOnlyWhenThePrinterListsSeveral)
{
    DevMode settings = merged();
    settings.settings.resolution = sp::Resolution{300, 300};
    {
        CPrtSettingsDlg dialog("Laser", settings, {{}, {{300, 300}}});
        EXPECT_EQ(dialog.resolutionBox(), nullptr);
        EXPECT_EQ(dialog.result(), settings);
    }
    CPrtSettingsDlg dialog("Laser", settings, {{}, {{600, 600}, {1200, 600}}});
    ASSERT_NE(dialog.resolutionBox(), nullptr);
    EXPECT_EQ(dialog.resolutionBox()->count(), 3) << "the current 300 dpi stays choosable";
    EXPECT_EQ(dialog.result(), settings);
    choose(dialog.resolutionBox(), QPoint(1200, 600));
    DevMode expected = settings;
    expected.settings.resolution = sp::Resolution{1200, 600};
    EXPECT_EQ(dialog.result(), expected);
}

// The paper list: the printer's own when it lists some, else common sizes; the current paper is
// always among them.
TEST_F(PrtSettingsTest, PaperChoices)
{
    using typestone::MediaChoices;
    const std::vector<std::string> common = typestone::CommonMediaNames();
    EXPECT_EQ(MediaChoices({}, "iso_a4_210x297mm"), common);
    std::vector<std::string> withCustom = common;
    withCustom.insert(withCustom.begin(), "custom_roll_80x200mm");
    EXPECT_EQ(MediaChoices({}, "custom_roll_80x200mm"), withCustom);
    EXPECT_EQ(MediaChoices({"na_letter_8.5x11in", "Bad Name", "na_letter_8.5x11in", "iso_a5_148x210mm"},
                           "iso_a5_148x210mm"),
              (std::vector<std::string>{"na_letter_8.5x11in", "iso_a5_148x210mm"}));

    CPrtSettingsDlg dialog("Laser", merged(), {{"iso_a5_148x210mm"}, {}});
    EXPECT_EQ(dialog.mediaBox()->count(), 2);
    EXPECT_EQ(dialog.mediaBox()->currentData().toString(), "na_letter_8.5x11in");
}

// Values the dialog cannot hold are never written over good settings.
TEST_F(PrtSettingsTest, OutOfRangeStateKeepsTheSettings)
{
    const DevMode base = merged();
    typestone::PrtSettingsState state = typestone::SettingsStateOf(base);
    EXPECT_EQ(typestone::ApplySettingsState(base, state), base);
    state.media = "Not A PWG/name";
    state.copies = 0;
    state.resolution = sp::Resolution{0, 600};
    EXPECT_EQ(typestone::ApplySettingsState(base, state), base);
    state.copies = sp::kMaxCopies + 1;
    state.resolution = sp::Resolution{600, sp::kMaxResolution + 1};
    EXPECT_EQ(typestone::ApplySettingsState(base, state), base);
    state.resolution.reset();
    EXPECT_EQ(typestone::ApplySettingsState(base, state), base);
}

} // namespace

namespace {

// A CUPS queue's own papers and resolutions are what the dialog offers, and what is chosen
// there comes back.
TEST(PrtSettingsCupsTest, TheQueuesChoicesAreOffered)
{
    widgetstest::app();
    std::string why;
    const std::unique_ptr<ts::support::PrivateCupsd> cupsd = ts::support::PrivateCupsd::start(&why);
    if (!cupsd) {
        if (ts::support::PrivateCupsd::mustRun())
            FAIL() << "no private cupsd: " << why;
        GTEST_SKIP() << "no private cupsd: " << why;
    }
    ASSERT_TRUE(cupsd->addPpdQueue("settings", ts::support::kSettingsPpd, &why)) << why;
    sp::CupsSpooler spooler;
    widgetstest::whenModal<CPrtSettingsDlg>([](CPrtSettingsDlg* dialog) {
        EXPECT_EQ(dialog->mediaBox()->count(), 2);
        EXPECT_EQ(dialog->mediaBox()->currentData().toString(), "na_letter_8.5x11in");
        ASSERT_NE(dialog->resolutionBox(), nullptr);
        EXPECT_EQ(dialog->resolutionBox()->count(), 2);
        choose(dialog->mediaBox(), QString("iso_a4_210x297mm"));
        choose(dialog->resolutionBox(), QPoint(600, 600));
        dialog->accept();
    });
    DevMode out;
    ASSERT_TRUE(typestone::SetupPrtConfig(spooler, nullptr, "settings", &out, true, nullptr));
    EXPECT_EQ(out.settings.media, "iso_a4_210x297mm");
    EXPECT_EQ(out.settings.resolution, (sp::Resolution{600, 600}));
    EXPECT_EQ(out.settings.sides, sp::Sides::TwoSidedLongEdge) << "the queue's own, untouched";
}

} // namespace
