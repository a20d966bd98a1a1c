#include "typestone/widgets/tray_icon.h"

#include "typestone/server/debug_options.h"
#include "typestone/server/desktop_strings.h"
#include "typestone/server/general_settings.h"
#include "typestone/server/my_service.h"
#include "typestone/server/port_values.h"
#include "typestone/server/printer_config.h"
#include "typestone/server/server_strings.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/status_messages.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/web_site.h"
#include "typestone/widgets/about_dlg.h"
#include "typestone/widgets/fsize_test.h"
#include "typestone/widgets/printers_dialog.h"
#include "typestone/widgets/tray_icons.h"

#include "platform/ui/message_box.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QSystemTrayIcon>

namespace typestone {

CTrayIcon::CTrayIcon(CMyService& service, CPrinter& printers, GeneralSettings& settings, QObject* parent)
    : QObject(parent), m_service(service), m_printers(printers), m_settings(settings),
      m_icon(std::make_unique<QSystemTrayIcon>()), m_menu(std::make_unique<QMenu>())
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &CTrayIcon::retryAdd);
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { RebuildMenu(); });
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        // A left click opens the same menu as the right one.
        if (why == QSystemTrayIcon::Trigger && !m_commandRunning && !m_menu->isVisible())
            m_menu->popup(QCursor::pos());
    });
    connect(&m_service, &CMyService::stopping, this, [] { CloseDialogs(); });
    UpdateIcon();
}

CTrayIcon::~CTrayIcon()
{
    m_retry.stop();
    if (m_icon)
        m_icon->hide();
}

void CTrayIcon::AddFnordToTray()
{
    m_tries = 0;
    retryAdd();
}

void CTrayIcon::retryAdd()
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        UpdateIcon();
        m_icon->show();
        TRZ_Trace(kTrzStatus, "\nAddFnordToTray: icon added after %d tries", m_tries);
        return;
    }
    // No notification area (yet): the server runs on, and the icon comes when one does.
    ++m_tries;
    m_retry.start(m_tries <= kShortTries ? kRetryShortMs : kRetryLongMs);
}

bool CTrayIcon::IconShown() const
{
    return m_icon && m_icon->isVisible();
}

TrayState CTrayIcon::State() const
{
    TrayState state;
    state.paused = m_service.IsPaused();
    state.autoStart = m_service.GetAutoStart();
    state.showAtStart = m_settings.showAtStart;
    state.debug = TraceSettings::dbgOption();
    state.tracing = TraceSettings::tracerOn();
    state.timing = TraceSettings::timing();
    return state;
}

QMenu* CTrayIcon::RebuildMenu()
{
    GetDbgOptions();
    m_menu->clear();
    for (const TrayMenuItem& item : BuildTrayMenu(State())) {
        if (item.separator()) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(QString::fromStdString(item.text));
        action->setData(item.id);
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
        action->setEnabled(item.enabled);
        const int id = item.id;
        // Queued: the menu closes first, then the command may open its own window.
        connect(action, &QAction::triggered, this, [this, id] {
            QMetaObject::invokeMethod(
                this, [this, id] { RunCommand(id); }, Qt::QueuedConnection);
        });
    }
    return m_menu.get();
}

void CTrayIcon::UpdateIcon()
{
    const bool paused = m_service.IsPaused();
    m_icon->setIcon(ServerIcon(paused));
    m_icon->setToolTip(QString::fromStdString(TrayTip(paused)));
}

void CTrayIcon::RunCommand(int command)
{
    if (m_commandRunning)
        return;
    m_commandRunning = true;
    switch (command) {
    case kTrayPause:
        m_service.DoPause();
        UpdateIcon();
        break;
    case kTrayAutoLoad:
        autoLoad();
        break;
    case kTrayShowAtStart:
        m_settings.showAtStart = !m_settings.showAtStart;
        SetCFGFlag("ShowAtStart", m_settings.showAtStart);
        break;
    case kTrayHelp:
        OpenHelp();
        break;
    case kTrayAbout: {
        // The port hosts reach it on (a private run's is one the system picked).
        const uint16_t port = m_service.BoundTcpPort() ? m_service.BoundTcpPort() : m_service.Ports().tcp;
        CAboutDlg about({m_service.IsPaused(), port, false});
        about.exec();
        break;
    }
    case kTrayConfiguration:
        portsDialog();
        break;
    case kTrayStop:
        ShutdownFnord(true, std::string());
        break;
    case kTrayTracer: {
        const bool wasOn = TraceSettings::tracerOn();
        SetTracer(!wasOn);
        if (wasOn)
            OpenTrzFile(true);
        break;
    }
    case kTrayTiming:
        TraceSettings::setTiming(!TraceSettings::timing());
        break;
    case kTrayEditTrace:
        OpenTrzFile(false);
        break;
    case kTrayFontSizeTest: {
        CFSizeTest test;
        test.exec();
        break;
    }
    default:
        break;
    }
    SetDbgOptions();
    TRZ_Trace(kTrzStatus, "%s", TrayStatusText(State()));
    m_commandRunning = false;
}

void CTrayIcon::autoLoad()
{
    const bool on = !m_service.GetAutoStart();
    m_service.SetAutoStart(on);
    if (!on) {
        std::string text = serverString(kStrNoAutoLoad);
        if (text.empty())
            text = "The Typestone Server will not be automatically loaded upon next start up.";
        ShutdownFnord(true, text);
    }
}

bool CTrayIcon::ShutdownFnord(bool ask, const std::string& text)
{
    if (ask) {
        std::string question = serverString(kStrAskStop);
        if (question.empty())
            question = "OK to stop Typestone Print Server ?";
        if (!text.empty())
            question = text + "\n" + question;
        if (TRZ_MsgBox(question.c_str(), platform::ui::kMbYesNo | platform::ui::kMbIconQuestion, 0,
                       kTrzCore) != platform::ui::kIdYes)
            return false;
        if (TraceSettings::tracerOn())
            OpenTrzFile(true);
    }
    TRZ_Trace(kTrzStatus, "\nDestroying window...");
    m_service.PostStatusMessage(SCM_STOP_MSG);
    SetDbgOptions();
    return true;
}

void CTrayIcon::portsDialog()
{
    const PortConfig current = m_service.Ports();
    m_printers.SetDlgValues(m_settings.useDns, current.tcp, current.aux);
    PrintersDialog dialog(m_printers);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CPrinter::DialogValues values = m_printers.GetDlgValues();
    if (values.useDns != m_settings.useDns) {
        SetCFGFlag("szUseDNS", values.useDns);
        m_service.SetUseDns(values.useDns);
    }
    // The dialog checked the ports as they were typed; they are checked once more as the
    // stored settings are, so the listeners never get a port 0 or the same port twice.
    const std::optional<PortConfig> ports = PortsFromDialog(current, values.servicePort, values.auxPort);
    if (ports && !(*ports == current))
        m_service.ChangePorts(*ports);
}

void CTrayIcon::CloseDialogs()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
}

} // namespace typestone
