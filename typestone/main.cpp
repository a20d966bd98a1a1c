// Typestone: the print server for VALDOR hosts.

#include "typestone/server/typestone_app.h"

#include "platform/service/signal_channel.h"

#include <QGuiApplication>

#include <csignal>

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
    QGuiApplication application(argc, argv);
    int rc = 0;
    {
        typestone::CTypestoneApp app;
        rc = app.Main(argc, argv, &signalChannel);
    }
    return rc;
}
