#pragma once

#include "ui/shell/FileDialogs.h"
#include "ui/shell/MessageBoxPrompter.h"
#include "ui/shell/Services.h"

#include <QObject>

#include <memory>

class QApplication;
class QCoreApplication;
class QSocketNotifier;
class QWidget;

namespace zarvik {

class TContentAddForm;
class TForm1;
class TForm2;

// Installs Qt's Russian translations of its own texts (standard buttons, file dialogs), from
// the folder given or else Qt's translations folder. Returns false when they are not installed;
// the program then runs with Qt's built-in texts.
bool InstallQtTranslations(QCoreApplication &app, const QString &folder = QString());

// The application's title and translations, before any window is created.
void SetUpApplication(QApplication &app);

// The program's long-lived windows and the services they share: the main window, the hidden
// about box and the hidden content-add dialog. Closing the main window ends the program; the
// hidden dialogs never keep it running.
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

private:
    TMessageBoxPrompter FPrompter;
    TQtFileDialogs FDialogs;
    std::unique_ptr<TServices> FServices;
    std::unique_ptr<TForm1> FMainWindow;
    // Both dialogs are owned by the main window, which destroys its project windows first.
    TForm2 *FAboutBox = nullptr;
    TContentAddForm *FContentAdd = nullptr;
};

// Closes a window when the process is asked to end (SIGTERM, SIGINT, SIGHUP), so a session end
// or a `kill` takes the same road as the Quit command, save questions included. One instance
// at a time.
class TTerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TTerminationWatcher(QWidget &window);
    ~TTerminationWatcher() override;

private:
    void Terminate();

    QWidget &FWindow;
    QSocketNotifier *FNotifier = nullptr;
};

} // namespace zarvik
