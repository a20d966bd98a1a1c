#include "typestone/widgets/desktop_shell.h"

#include "typestone/widgets/about_dlg.h"
#include "typestone/widgets/tray_icon.h"

#include <QTimer>

namespace typestone {

std::unique_ptr<QObject> MakeDesktop(const CTypestoneApp::DesktopParts& parts)
{
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
