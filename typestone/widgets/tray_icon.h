#pragma once
// Desktop mode's tray icon and its menu: pause and continue, start with the session, the
// about box, the configuration of ports and shared printers, stop, and (with the debug switch)
// tracing. The icon waits for a notification area with a re-add timer where none is there
// yet. Everything runs on the GUI thread, where the service's event loop runs too.

#include "typestone/server/tray_menu.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

class QMenu;
class QSystemTrayIcon;

namespace typestone {

class CMyService;
class CPrinter;
struct GeneralSettings;

class CTrayIcon : public QObject
{
    Q_OBJECT

public:
    // The re-add intervals while no notification area is there: first the short one, then the
    // long one once a few tries failed.
    static constexpr int kRetryShortMs = 1000;
    static constexpr int kRetryLongMs = 5000;
    static constexpr int kShortTries = 10;

    CTrayIcon(CMyService& service, CPrinter& printers, GeneralSettings& settings, QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Adds the icon, or starts the re-add timer when no notification area is there.
    void AddFnordToTray();
    bool IconShown() const;
    QSystemTrayIcon* icon() const { return m_icon.get(); }

    // The state the menu is built from.
    TrayState State() const;
    // Rebuilds the menu from the state (as each time it opens).
    QMenu* RebuildMenu();
    // A command of the menu (TrayCommand), as choosing its item does.
    void RunCommand(int command);
    // Stops the server, after asking when `ask` ("OK to stop Typestone Print Server ?",
    // after `text` when given). False when the person said no.
    bool ShutdownFnord(bool ask, const std::string& text);
    // Shows the icon's tip and picture for the pause state.
    void UpdateIcon();

    // Closes every dialog still open (the server stops).
    static void CloseDialogs();

private:
    void retryAdd();
    void autoLoad();
    void portsDialog();

    CMyService& m_service;
    CPrinter& m_printers;
    GeneralSettings& m_settings;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    QTimer m_retry;
    int m_tries = 0;
    bool m_commandRunning = false; // a second click while a command's window is up waits
};

} // namespace typestone
