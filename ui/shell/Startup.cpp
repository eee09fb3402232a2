#include "ui/shell/Startup.h"

#include "ui/editor/SourceEditor.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/PContentAddForm.h"
#include "ui/shell/about.h"

namespace zarvik {

TApplicationWindows::TApplicationWindows()
{
    // The services bundle names the content-add dialog, so that object comes first; it joins
    // the main window once the main window exists, and nothing is shown before that.
    auto contentAdd = std::make_unique<TContentAddForm>(FPrompter, FDialogs);
    contentAdd->Editor().SetEnvironment(&FEditorEnvironment);
    FServices = std::make_unique<TServices>(
        TServices{FPrompter, FPrompter, FDialogs, *contentAdd, FBrowser, FPreviewFolders, FBusy});
    FServices->EditorEnvironment = &FEditorEnvironment;
    FMainWindow = std::make_unique<TForm1>(*FServices);
    FAboutBox = new TForm2(FMainWindow.get());
    FMainWindow->SetAboutBox(FAboutBox);
    FContentAdd = contentAdd.release();
    FContentAdd->setParent(FMainWindow.get(), FContentAdd->windowFlags());
}

TApplicationWindows::~TApplicationWindows()
{
    // The project windows go with the main window, before the services they hold.
    FMainWindow.reset();
    FServices.reset();
}

} // namespace zarvik
