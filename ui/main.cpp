#include "app/FileAccess.h"
#include "ui/shell/Application.h"
#include "ui/shell/Icons.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/Startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    zarvik::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    zarvik::SetUpApplication(app);
    zarvik::SetUpDesktopIdentity();
    zarvik::TApplicationWindows windows;
    zarvik::TTerminationWatcher watcher(windows.MainWindow());
    windows.MainWindow().show();
    return QApplication::exec();
}
