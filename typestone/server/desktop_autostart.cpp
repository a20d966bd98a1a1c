#include "typestone/server/desktop_autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace typestone {
namespace {

// The Exec key's quoting: a path with blanks or quotes is quoted, its specials escaped.
std::string execQuoted(const std::string& path)
{
    if (path.find_first_of(" \t\"'\\$`") == std::string::npos)
        return path;
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

std::string DesktopAutoStart::EntryPath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return (base + "/autostart/").toStdString() + kFileName;
}

std::string DesktopAutoStart::EntryText(const std::string& executable)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Typestone Server\n"
           "Comment=Print server for VALDOR hosts\n"
           "Exec=" +
           execQuoted(executable) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool DesktopAutoStart::IsOn()
{
    return QFileInfo::exists(QString::fromStdString(EntryPath()));
}

bool DesktopAutoStart::Set(bool on, const std::string& executable, std::string* error)
{
    const QString name = QString::fromStdString(EntryPath());
    if (!on) {
        if (!QFileInfo::exists(name) || QFile::remove(name))
            return true;
        if (error)
            *error = "cannot remove " + name.toStdString();
        return false;
    }
    if (!QDir().mkpath(QFileInfo(name).absolutePath())) {
        if (error)
            *error = "cannot create the folder of " + name.toStdString();
        return false;
    }
    const std::string text = EntryText(executable);
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
        if (error)
            *error = "cannot write " + name.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace typestone
