#include "app/FileAccess.h"
#include "ui/shell/Application.h"
#include "ui/shell/CommandLine.h"
#include "ui/shell/Icons.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/SingleInstance.h"
#include "ui/shell/Startup.h"

#include <QApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QStringList ArgumentsAfterProgram(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void Print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

} // namespace

int main(int argc, char *argv[])
{
    zarvik::IgnoreFileSizeSignal();
    using zarvik::TCommandLine;
    // Help and version need no display, so they are answered before the toolkit starts.
    const TCommandLine early = zarvik::ParseCommandLine(ArgumentsAfterProgram(argc, argv));
    if (early.Action == TCommandLine::TAction::Help) {
        Print(stdout, zarvik::HelpText());
        return 0;
    }
    if (early.Action == TCommandLine::TAction::Version) {
        Print(stdout, zarvik::VersionText());
        return 0;
    }

    QApplication app(argc, argv);
    zarvik::SetUpApplication(app);
    zarvik::SetUpDesktopIdentity();
    // The toolkit has taken its own options out of argv by now.
    const TCommandLine line = zarvik::ParseCommandLine(ArgumentsAfterProgram(argc, argv));
    if (line.Action == TCommandLine::TAction::Help || line.Action == TCommandLine::TAction::Version) {
        Print(stdout,
              line.Action == TCommandLine::TAction::Help ? zarvik::HelpText() : zarvik::VersionText());
        return 0;
    }
    if (line.Action == TCommandLine::TAction::Error) {
        Print(stderr, u"zarvik: "_s + line.Error + u"\n"_s + u"Справка: zarvik --help\n"_s);
        return 2;
    }
    const QStringList files = zarvik::AbsoluteFiles(line.Files, QDir::currentPath());
    // The first program with the lock is the one that opens files; a start with files hands them
    // over and waits for it as long as it lives, and takes its place if it ends first.
    const QString instanceFolder = zarvik::TSingleInstance::DefaultFolder();
    zarvik::TSingleInstance instance(instanceFolder);
    bool elected = instance.Listen();
    if (!elected && !files.isEmpty()) {
        const auto busy = [] {
            Print(stderr,
                  u"zarvik: запущенная программа занята; файлы откроются в ней, когда она освободится\n"_s);
        };
        for (int attempt = 0; attempt < 10 && !elected; ++attempt) {
            if (zarvik::TSingleInstance::HandOver(instanceFolder, files, busy))
                return 0;
            elected = instance.Listen();
        }
    }

    zarvik::TApplicationWindows windows;
    zarvik::TForm1 &frame = windows.MainWindow();
    zarvik::TTerminationWatcher watcher(frame, windows.Busy());
    // Files open once the frame is up and nothing else runs, the command line's first.
    zarvik::TIdleQueue opener(windows.Busy());
    QObject::connect(&instance, &zarvik::TSingleInstance::FilesReceived, &frame,
                     [&](const QStringList &received) {
                         opener.Post([&frame, received] {
                             if (frame.isMinimized())
                                 frame.showNormal();
                             frame.raise();
                             frame.activateWindow();
                             frame.OpenProjectFiles(received);
                         });
                     });
    frame.show();
    if (!files.isEmpty())
        opener.Post([&frame, files] { frame.OpenProjectFiles(files); });
    return QApplication::exec();
}
