#pragma once

#include "app/BrowserLauncher.h"

namespace zarvik {

// The desktop's default web browser as the desktop program opens it: the browser the desktop
// names for web links, else whatever Qt's desktop services open the URL with.
class TDesktopBrowser : public TBrowserLauncher
{
public:
    bool Open(const std::string &url) override;
};

} // namespace zarvik
