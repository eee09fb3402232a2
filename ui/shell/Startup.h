#pragma once

#include "ui/editor/EditorEnvironment.h"
#include "ui/shell/FileDialogs.h"
#include "ui/shell/MessageBoxPrompter.h"
#include "ui/shell/Services.h"

#include <memory>

namespace zarvik {

class TContentAddForm;
class TForm1;
class TForm2;

// The program's long-lived windows and the services they share: the main window, the hidden
// about box and the hidden content-add dialog. Closing the main window ends the program; the
// hidden dialogs never keep it running. Every source editor of these windows is in one
// editor environment, which outlives them.
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

private:
    TMessageBoxPrompter FPrompter;
    TQtFileDialogs FDialogs;
    TEditorEnvironment FEditorEnvironment;
    std::unique_ptr<TServices> FServices;
    std::unique_ptr<TForm1> FMainWindow;
    // Both dialogs are owned by the main window, which destroys its project windows first.
    TForm2 *FAboutBox = nullptr;
    TContentAddForm *FContentAdd = nullptr;
};

} // namespace zarvik
