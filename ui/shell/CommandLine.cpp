#include "ui/shell/CommandLine.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace zarvik {

TCommandLine ParseCommandLine(const QStringList &arguments)
{
    TCommandLine line;
    bool options = true;
    for (const QString &argument : arguments) {
        if (options && argument == u"--"_s) {
            options = false;
            continue;
        }
        if (options && (argument == u"--help"_s || argument == u"-h"_s)) {
            if (line.Action == TCommandLine::TAction::Run)
                line.Action = TCommandLine::TAction::Help;
            continue;
        }
        if (options && argument == u"--version"_s) {
            if (line.Action == TCommandLine::TAction::Run)
                line.Action = TCommandLine::TAction::Version;
            continue;
        }
        if (options && argument.startsWith(u'-') && argument.size() > 1) {
            line.Action = TCommandLine::TAction::Error;
            line.Error = u"неизвестный параметр «"_s + argument + u"»"_s;
            return line;
        }
        line.Files.append(argument);
    }
    return line;
}

QString HelpText()
{
    return u"Использование: zarvik [ФАЙЛ.sgp ...]\n"
           u"Программа для создания мини-сайтов из текста.\n"
           u"\n"
           u"Каждый указанный файл проекта открывается в своём окне, как командой «Открыть проект».\n"
           u"Если программа уже запущена, файлы открываются в ней.\n"
           u"\n"
           u"Параметры:\n"
           u"  -h, --help     показать эту справку и выйти\n"
           u"  --version      показать версию и выйти\n"
           u"  --             всё, что дальше, — имена файлов\n"_s;
}

QString VersionText()
{
    return u"zarvik "_s + QStringLiteral(ZARVIK_VERSION) + u'\n';
}

QStringList AbsoluteFiles(const QStringList &files, const QString &folder)
{
    const QDir base(folder);
    QStringList absolute;
    absolute.reserve(files.size());
    for (const QString &file : files)
        absolute.append(QDir::cleanPath(base.absoluteFilePath(file)));
    return absolute;
}

} // namespace zarvik
