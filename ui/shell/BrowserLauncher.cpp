#include "ui/shell/BrowserLauncher.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace zarvik {

bool TDesktopBrowser::Open(const std::string &url)
{
    TDesktopBrowserLauncher desktop;
    if (desktop.Open(url))
        return true;
    return QDesktopServices::openUrl(QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()))));
}

} // namespace zarvik
