#pragma once

#include "app/BrowserLauncher.h"

namespace zarvik {

class TPreviewFolders;

// The desktop's default web browser as the desktop program opens it: the browser the desktop
// names for web links, else whatever Qt's desktop services open the URL with.
class TDesktopBrowser : public TBrowserLauncher
{
public:
    bool Open(const std::string &url) override;
};

// The launcher used when the window's services name none; lives for the whole program.
TBrowserLauncher &DefaultBrowser();

// The preview folders of this run of the program; they are removed when it ends.
TPreviewFolders &ProgramPreviewFolders();

} // namespace zarvik
