#include "typestone/server/service_install.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <cstdlib>

namespace typestone {
namespace {

std::string envOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : fallback;
}

std::string defaultSystemctl()
{
    const char* value = std::getenv("TYPESTONE_SYSTEMCTL");
    if (value)
        return value;
    return QStandardPaths::findExecutable("systemctl").toStdString();
}

bool writeFile(const std::string& path, const std::string& text, std::string* error)
{
    const QString name = QString::fromStdString(path);
    if (!QDir().mkpath(QFileInfo(name).absolutePath())) {
        if (error)
            *error = "cannot create the folder of " + path;
        return false;
    }
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
        if (error)
            *error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    return true;
}

bool removeFile(const std::string& path, std::string* error)
{
    QFile file(QString::fromStdString(path));
    if (!file.exists() || file.remove())
        return true;
    if (error)
        *error = "cannot remove " + path + ": " + file.errorString().toStdString();
    return false;
}

} // namespace

ServiceInstaller::ServiceInstaller()
    : ServiceInstaller(envOr("TYPESTONE_UNIT_DIR", "/etc/systemd/system"),
                       envOr("TYPESTONE_AUTOSTART_DIR", "/etc/xdg/autostart"), defaultSystemctl())
{
}

ServiceInstaller::ServiceInstaller(std::string unitDir, std::string autostartDir, std::string systemctl)
    : m_unitDir(std::move(unitDir)), m_autostartDir(std::move(autostartDir)),
      m_systemctl(std::move(systemctl))
{
}

std::string ServiceInstaller::UnitFileText(const std::string& executable)
{
    return "[Unit]\n"
           "Description=Typestone Server\n"
           "After=network-online.target cups.service\n"
           "Wants=network-online.target\n"
           "\n"
           "[Service]\n"
           "Type=notify\n"
           "ExecStart=" +
           executable +
           "\n"
           "DynamicUser=yes\n"
           "StateDirectory=typestone\n"
           "CacheDirectory=typestone\n"
           "RuntimeDirectory=typestone\n"
           "Environment=TYPESTONE_REGISTRY=/var/lib/typestone/registry.sqlite\n"
           // Each connection holds a few descriptors; the server caps its connections to fit.
           "LimitNOFILE=8192\n"
           "KillSignal=SIGTERM\n"
           "TimeoutStopSec=60\n"
           "Restart=on-failure\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

std::string ServiceInstaller::UiDesktopText(const std::string& uiExecutable)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=TypestoneUI\n"
           "Exec=" +
           uiExecutable +
           "\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string ServiceInstaller::UnitPath() const
{
    return m_unitDir + "/" + kUnitName;
}

std::string ServiceInstaller::UiDesktopPath() const
{
    return m_autostartDir + "/" + kUiDesktopName;
}

bool ServiceInstaller::Systemctl(const std::vector<std::string>& arguments, std::string* error, int* exitCode)
{
    if (exitCode)
        *exitCode = 0;
    if (m_systemctl.empty())
        return true;
    QStringList list;
    for (const std::string& a : arguments)
        list << QString::fromStdString(a);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QString::fromStdString(m_systemctl), list);
    if (!process.waitForStarted(kSystemctlTimeoutMs)) {
        if (error)
            *error = "cannot start " + m_systemctl;
        return false;
    }
    if (!process.waitForFinished(kSystemctlTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        if (error)
            *error = m_systemctl + " did not finish";
        return false;
    }
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (exitCode)
        *exitCode = code;
    if (code != 0 && error)
        *error = m_systemctl + " " + list.join(' ').toStdString() + ": " +
                 process.readAll().trimmed().toStdString();
    return code == 0;
}

bool ServiceInstaller::Install(const std::string& executable, std::string* error)
{
    if (!writeFile(UnitPath(), UnitFileText(executable), error))
        return false;
    return Systemctl({"daemon-reload"}, error) && Systemctl({"enable", kUnitName}, error);
}

bool ServiceInstaller::Uninstall(std::string* error)
{
    std::string ignored;
    Systemctl({"disable", "--now", kUnitName}, &ignored);
    if (!removeFile(UnitPath(), error))
        return false;
    return Systemctl({"daemon-reload"}, error);
}

bool ServiceInstaller::IsInstalled() const
{
    return QFile::exists(QString::fromStdString(UnitPath()));
}

bool ServiceInstaller::AutoStartService(std::string* error)
{
    return Systemctl({"start", kUnitName}, error);
}

bool ServiceInstaller::IsAutoStart()
{
    if (m_systemctl.empty())
        return false;
    int code = -1;
    std::string ignored;
    Systemctl({"is-enabled", "--quiet", kUnitName}, &ignored, &code);
    return code == 0;
}

bool ServiceInstaller::SetAutoStart(bool on, std::string* error)
{
    return Systemctl({on ? "enable" : "disable", kUnitName}, error);
}

bool ServiceInstaller::AutoStartupInRunUI(bool on, const std::string& programDir, std::string* error)
{
    if (!on)
        return removeFile(UiDesktopPath(), error);
    const std::string ui = programDir + "/TypestoneUI";
    if (!QFileInfo(QString::fromStdString(ui)).isExecutable())
        return true;
    return writeFile(UiDesktopPath(), UiDesktopText(ui), error);
}

} // namespace typestone
