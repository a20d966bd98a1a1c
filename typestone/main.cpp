// Typestone: the print server for VALDOR hosts.

#include "typestone/server/typestone_app.h"

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
        typestone::CTypestoneApp app;
        rc = app.Main(argc, argv, &signalChannel);
    }
    return rc;
}
