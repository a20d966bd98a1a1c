// Typestone: the print server for VALDOR hosts.

#include "typestone/server/instance_startup.h"
#include "typestone/server/typestone_app.h"
#include "typestone/widgets/desktop_shell.h"

#include "klv_inet/widgets/desktop_ui.h"

#include "platform/service/signal_channel.h"

#include <QApplication>
#include <QGuiApplication>

#include <csignal>
#include <memory>

int main(int argc, char** argv)
{
    // Before any thread starts, so that every thread inherits the block and the stop and
    // status signals reach the event loop only.
    platform::service::SignalChannel signalChannel;
    signalChannel.open({SIGTERM, SIGINT, SIGUSR1});

    // Interpreted jobs are drawn with Qt's fonts and painters, which need a GUI application;
    // a server without a display draws offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Desktop mode shows widgets (the start-up logo, the boxes); service mode has none.
    std::unique_ptr<QGuiApplication> application;
    if (typestone::CTypestoneApp::DetectServiceMode())
        application = std::make_unique<QGuiApplication>(argc, argv);
    else
        application = std::make_unique<QApplication>(argc, argv);
    int rc = 0;
    {
        // Desktop mode: boxes, questions and progress as widgets, and the tray icon; the
        // server's own event loop ends the run, not the last window closed.
        std::unique_ptr<klv::widgets::DesktopUi> desktopUi;
        if (auto* widgets = qobject_cast<QApplication*>(application.get())) {
            widgets->setQuitOnLastWindowClosed(false);
            desktopUi = std::make_unique<klv::widgets::DesktopUi>();
        }
        typestone::CTypestoneApp app;
        if (desktopUi) {
            app.SetDesktopFactory(&typestone::MakeDesktop);
            typestone::SetSecondInstanceNotice(&typestone::ShowAlreadyStartedSplash);
        }
        rc = app.Main(argc, argv, &signalChannel);
    }
    return rc;
}
