#include "typestone/widgets/setup_prt_config.h"

#include "typestone/server/desktop_strings.h"
#include "typestone/server/get_dev_mode.h"
#include "typestone/server/server_trace.h"
#include "typestone/widgets/desktop_text.h"
#include "typestone/widgets/prt_settings_dlg.h"

#include "typestone/engine/printer_open_lock.h"

#include "platform/spooler/spooler.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QApplication>
#include <QThread>

namespace typestone {

namespace {

bool fail(const std::string& printer, const std::string& detail)
{
    TRZ_Trace(kTrzJobs, "\n_SetupPrtConfig(%s) -> FALSE: %s", printer, detail);
    platform::ui::MessageBoxRequest box;
    box.text = "_SetupPrtConfig(" + printer + ")\n" + detail;
    box.caption = desktopText(kStrServerTitle, "Typestone Server").toStdString();
    box.style = platform::ui::kMbOk | platform::ui::kMbIconInformation;
    platform::ui::bridge().messageBox(box);
    return false;
}

bool onGuiThread()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

// What the printer offers, read under the printer-open lock and let go before the dialog
// opens. A printer that cannot tell gets the dialog's common choices.
PrtSettingsChoices offeredChoices(platform::spooler::Spooler& spooler, const std::string& printer)
{
    PrinterOpenLock& lock = PrinterOpenLock::Shared();
    if (!lock.lock(PrinterOpenLock::kDefaultWait)) {
        TRZ_Trace(kTrzJobs, "\n_SetupPrtConfig(%s): the printer-open lock was not had", printer);
        return {};
    }
    std::string error;
    const std::optional<platform::spooler::PrinterChoices> offered = spooler.choices(printer, &error);
    lock.unlock();
    if (!offered) {
        TRZ_Trace(kTrzJobs, "\n_SetupPrtConfig(%s): no choices: %s", printer, error);
        return {};
    }
    return *offered;
}

} // namespace

bool SetupPrtConfig(platform::spooler::Spooler& spooler, const DevMode* stored, const std::string& printer,
                    DevMode* out, bool prompt, QWidget* parent)
{
    if (prompt && !onGuiThread())
        return fail(printer, "the printer settings dialog can only be shown by the desktop's own thread");
    DevMode merged;
    std::string error;
    // GetDevMode holds the printer-open lock only while it reads the printer.
    if (!GetDevMode(spooler, stored, printer, &merged, &error))
        return fail(printer, error);
    if (prompt) {
        CPrtSettingsDlg dialog(merged.deviceName(), merged, offeredChoices(spooler, merged.deviceName()),
                               parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        merged = dialog.result();
    }
    if (out)
        *out = std::move(merged);
    return true;
}

bool EditPrinterSettings(platform::spooler::Spooler& spooler, const std::string& printer,
                         std::optional<DevMode>* devMode, QWidget* parent)
{
    DevMode edited;
    if (!SetupPrtConfig(spooler, *devMode ? &**devMode : nullptr, printer, &edited, true, parent))
        return false;
    *devMode = std::move(edited);
    return true;
}

} // namespace typestone
