#pragma once

#include <QObject>
#include <QString>

class QApplication;
class QCoreApplication;
class QSocketNotifier;
class QWidget;

namespace zarvik {

// Installs Qt's Russian translations of its own texts (standard buttons, file dialogs), from
// the folder given or else Qt's translations folder. Returns false when they are not installed;
// the program then runs with Qt's built-in texts.
bool InstallQtTranslations(QCoreApplication &app, const QString &folder = QString());

// The application's title and translations, before any window is created.
void SetUpApplication(QApplication &app);

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
