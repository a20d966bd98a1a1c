#pragma once
// Installing the server as the systemd unit typestone.service ("i") and removing it ("u"),
// with TypestoneUI's autostart entry for the desktop sessions, and the unit's start type
// (automatic start = enabled, manual start = disabled).
//
// The folders and the systemctl program can be redirected, so the unit text can be checked
// without root: TYPESTONE_UNIT_DIR (default /etc/systemd/system), TYPESTONE_AUTOSTART_DIR
// (default /etc/xdg/autostart), TYPESTONE_SYSTEMCTL (default systemctl from PATH; empty: no
// systemctl calls).

#include <string>
#include <vector>

namespace typestone {

class ServiceInstaller
{
public:
    static constexpr const char* kUnitName = "typestone.service";
    static constexpr const char* kUiDesktopName = "TypestoneUI.desktop";
    static constexpr int kSystemctlTimeoutMs = 30000;

    // The folders and the program from the environment.
    ServiceInstaller();
    ServiceInstaller(std::string unitDir, std::string autostartDir, std::string systemctl);

    static std::string UnitFileText(const std::string& executable);
    static std::string UiDesktopText(const std::string& uiExecutable);

    std::string UnitPath() const;
    std::string UiDesktopPath() const;

    // Writes the unit, reloads systemd and enables the unit. False with *error.
    bool Install(const std::string& executable, std::string* error);
    // Disables and stops the unit and removes its file.
    bool Uninstall(std::string* error);
    bool IsInstalled() const;
    // Has systemd start the unit now.
    bool AutoStartService(std::string* error);
    // The start type: read (enabled) or write (enable / disable).
    bool IsAutoStart();
    bool SetAutoStart(bool on, std::string* error);
    // Writes or removes TypestoneUI's autostart entry; writing needs TypestoneUI beside the
    // program (nothing is written when it is missing).
    bool AutoStartupInRunUI(bool on, const std::string& programDir, std::string* error);

    // Runs systemctl with the arguments; true when it ended with 0 (also true when no
    // systemctl is configured: there is nothing to tell).
    bool Systemctl(const std::vector<std::string>& arguments, std::string* error, int* exitCode = nullptr);

private:
    std::string m_unitDir;
    std::string m_autostartDir;
    std::string m_systemctl;
};

} // namespace typestone
