#pragma once

#include "app/BrowserLauncher.h"
#include "app/SitePreview.h"
#include "ui/editor/EditorEnvironment.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/FileDialogs.h"
#include "ui/shell/MessageBoxPrompter.h"
#include "ui/shell/Services.h"

#include <memory>

namespace zarvik {

class TContentAddForm;
class TForm1;
class TForm2;

// The program's long-lived windows and the services they share: the main window, the hidden
// about box and the hidden content-add dialog, the desktop's browser, the preview folders of this
// run (removed when this object goes) and the count of long operations under way. Closing the main
// window ends the program; the hidden dialogs never keep it running. Every source editor of these
// windows is in one editor environment, which outlives them.
//
// The browser is found by the desktop launcher's own search alone: a page is never handed to Qt's
// desktop services, which open a file:// URL with the text/html handler, often an editor.
class TApplicationWindows
{
public:
    TApplicationWindows();
    ~TApplicationWindows();
    TApplicationWindows(const TApplicationWindows &) = delete;
    TApplicationWindows &operator=(const TApplicationWindows &) = delete;

    TForm1 &MainWindow() const { return *FMainWindow; }
    TForm2 &AboutBox() const { return *FAboutBox; }
    TContentAddForm &ContentAddForm() const { return *FContentAdd; }
    TEditorEnvironment &EditorEnvironment() { return FEditorEnvironment; }
    // What the termination watcher and the file opener wait on.
    TBusyCounter &Busy() { return FBusy; }

private:
    TMessageBoxPrompter FPrompter;
    TQtFileDialogs FDialogs;
    TEditorEnvironment FEditorEnvironment;
    TDesktopBrowserLauncher FBrowser;
    TPreviewFolders FPreviewFolders;
    TBusyCounter FBusy;
    std::unique_ptr<TServices> FServices;
    std::unique_ptr<TForm1> FMainWindow;
    // Both dialogs are owned by the main window, which destroys its project windows first.
    TForm2 *FAboutBox = nullptr;
    TContentAddForm *FContentAdd = nullptr;
};

} // namespace zarvik
