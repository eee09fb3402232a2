#include "ui/shell/BrowserLauncher.h"

#include "app/SitePreview.h"

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

TBrowserLauncher &DefaultBrowser()
{
    static TDesktopBrowser browser;
    return browser;
}

TPreviewFolders &ProgramPreviewFolders()
{
    static TPreviewFolders folders;
    return folders;
}

} // namespace zarvik
