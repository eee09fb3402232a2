#pragma once

#include <QString>
#include <QStringList>

namespace zarvik {

// What the desktop program was asked for on its command line.
struct TCommandLine
{
    enum class TAction
    {
        Run,
        Help,
        Version,
        Error
    };
    TAction Action = TAction::Run;
    // Project files to open, as given (relative to the current folder or absolute).
    QStringList Files;
    // For Error: what was wrong, in the user's words.
    QString Error;
};

// Parses the arguments after the program's name: `--help` (`-h`) and `--version` stand alone
// or before any file, `--` ends the options, every other argument is a project file. Toolkit
// options must have been removed already.
TCommandLine ParseCommandLine(const QStringList &arguments);

// The texts `--help` and `--version` print, each ending in a line break.
QString HelpText();
QString VersionText();

// The files with every relative path made absolute against `folder` (not resolved further:
// a symbolic link stays the name the user gave).
QStringList AbsoluteFiles(const QStringList &files, const QString &folder);

} // namespace zarvik
