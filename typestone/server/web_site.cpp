#include "typestone/server/web_site.h"

#include "typestone/server/server_trace.h"

#include "platform/folders/folders.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace typestone {

bool IsWebUrl(const std::string& url)
{
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    return parsed.isValid() && (scheme == "http" || scheme == "https") && !parsed.host().isEmpty();
}

bool GoToWebSite(const std::string& url)
{
    if (!IsWebUrl(url)) {
        TRZ_Trace(kTrzCore, "\nGoToWebSite('%s'): not a web address, not opened", url);
        return false;
    }
    const bool ok = QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
    if (!ok)
        TRZ_Trace(kTrzCore, "\nGoToWebSite('%s'): no handler could open it", url);
    return ok;
}

bool OpenHelp()
{
    const std::string folder = platform::folders::dataDir();
    const QString path = QString::fromStdString(folder + "/README.md");
    if (!QFileInfo(path).isFile()) {
        TRZ_Trace(kTrzCore, "\nOpenHelp: no help file in '%s'", folder);
        return false;
    }
    const bool ok = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!ok)
        TRZ_Trace(kTrzCore, "\nOpenHelp('%s'): no handler could open it", path.toStdString());
    return ok;
}

} // namespace typestone
