#pragma once

#include "engine/Prompter.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace zarvik {

class TBusyCounter;
class TEditorEnvironment;
class TPreviewFolders;
class TSiteGenerator;
struct TBrowserLauncher;

// The general error display: an error that ended a command, shown with the application's title
// as caption and an OK button. The text is Windows-1251 and already has its full stop.
struct TErrorDisplay
{
    virtual ~TErrorDisplay() = default;
    virtual void ShowError(std::string_view text) = 0;
};

// File and folder choosers. An empty result (or nullopt) means the user cancelled.
// `filter` uses Qt's syntax ("Проект (*.sgp);;Все файлы (*.*)").
struct TFileDialogs
{
    virtual ~TFileDialogs() = default;
    virtual QStringList OpenFiles(QWidget *parent, const QString &title, const QString &filter,
                                  bool multiple) = 0;
    virtual QString SaveFile(QWidget *parent, const QString &title, const QString &filter,
                             const QString &defaultSuffix) = 0;
    virtual std::optional<QString> ChooseFolder(QWidget *parent, const QString &start) = 0;
    // Makes the dialog of this title and filter open on `path` next time, for a caller that
    // adjusted the name the user chose. Does nothing unless a dialog keeps such a memory.
    virtual void RememberFile(const QString & /*title*/, const QString & /*filter*/, const QString & /*path*/)
    {
    }
};

// The content-add dialog as the project window uses it: prepare for a generator, run modally,
// then read the text when the user accepted.
struct TContentAddDialog
{
    virtual ~TContentAddDialog() = default;
    virtual void Prepare(TSiteGenerator &generator) = 0;
    // Shows the dialog modally; returns the accepted flag.
    virtual bool Execute() = 0;
    // The editor's lines joined with CR LF, no final break; Windows-1251.
    virtual std::string Text() const = 0;
};

// What every window receives from start-up (or from a test) instead of reaching for statics.
// Everything named here outlives the windows.
struct TServices
{
    TPrompter &Prompter;
    TErrorDisplay &Errors;
    TFileDialogs &Dialogs;
    TContentAddDialog &ContentAdd;
    // Where the preview opens pages.
    TBrowserLauncher &Browser;
    // The folders the previews of this run are written into; they go with their owner.
    TPreviewFolders &PreviewFolders;
    // The long operations under way, for which requests from outside the program wait.
    TBusyCounter &Busy;
    // What the source editors share; an editor built without it works on its own (see
    // TEditorEnvironment).
    TEditorEnvironment *EditorEnvironment = nullptr;
};

} // namespace zarvik
