#include "typestone/widgets/desktop_shell.h"

#include "typestone/widgets/about_dlg.h"
#include "typestone/widgets/prt_test_dlg.h"
#include "typestone/widgets/prt_test_print.h"
#include "typestone/widgets/setup_prt_config.h"
#include "typestone/widgets/share_prt.h"
#include "typestone/widgets/tray_icon.h"

#include "typestone/server/printer_test.h"
#include "typestone/server/server_engine_host.h"

#include "platform/folders/folders.h"

#include <QTimer>

namespace typestone {

namespace {

// The share dialog's "Print Test": the printer test dialog over the share dialog, the test
// printed with the dialog's device settings, its picture printable on the same printer.
void printTest(const EngineSetup& engine, const std::string& printer, const std::optional<DevMode>& devMode,
               QWidget* parent)
{
    PrinterTestPlaces places;
    places.dataFolder = platform::folders::dataDir();
    places.stateFolder = platform::folders::stateDir();
    // Over the share dialog, which stays: hiding a dialog that waits in its own loop would end
    // it as if cancelled.
    CPrtTestDlg dialog(
        printer, nullptr, places.dataFolder,
        [&engine, places, printer, devMode] {
            ServerEngineHost host;
            return PrintTestFile(engine, host, places, printer, devMode ? &*devMode : nullptr,
                                 kPrinterTestFile)
                .ok;
        },
        [&engine, printer](const QImage& picture, std::string* error) {
            if (engine.spooler == nullptr) {
                *error = "no spooler";
                return false;
            }
            const std::string folder =
                engine.workFolder.empty() ? platform::folders::stateDir() : engine.workFolder;
            return PrintPicture(*engine.spooler, printer, picture, folder, error);
        },
        parent);
    dialog.exec();
}

} // namespace

std::unique_ptr<QObject> MakeDesktop(const CTypestoneApp::DesktopParts& parts)
{
    const EngineSetup& engine = parts.engine;
    CSharePrt::Actions actions;
    actions.properties = [&engine](const std::string& printer, std::optional<DevMode>* devMode,
                                   QWidget* parent) {
        return engine.spooler != nullptr && EditPrinterSettings(*engine.spooler, printer, devMode, parent);
    };
    actions.printTest = [&engine](const std::string& printer, const std::optional<DevMode>& devMode,
                                  QWidget* parent) { printTest(engine, printer, devMode, parent); };
    SetShareActions(std::move(actions));
    auto tray = std::make_unique<CTrayIcon>(parts.service, parts.printers, parts.settings);
    CTrayIcon* icon = tray.get();
    QTimer::singleShot(0, icon, [icon] { icon->AddFnordToTray(); });
    return tray;
}

void ShowAlreadyStartedSplash()
{
    CAboutDlg splash({false, 0, true});
    splash.exec();
}

} // namespace typestone
