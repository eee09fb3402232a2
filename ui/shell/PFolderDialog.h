#pragma once

#include <QString>

class QWidget;

namespace zarvik {

// The folder browser: shows only folders of the file system and returns the chosen one.
// Starts in the user's desktop folder (the home folder where there is none) unless an
// initial folder is set.
class TPFolderDialog
{
public:
    // The dialog is owned by `owner` while it runs, else by the application's active window.
    explicit TPFolderDialog(QWidget *owner = nullptr);

    const QString &InitialFolder() const { return FInitialFolder; }
    // A folder that does not exist is ignored when the dialog opens.
    void SetInitialFolder(const QString &folder) { FInitialFolder = folder; }

    // Runs the browser modally. True when the user confirmed a folder, whose absolute path is
    // then FolderPath(); false when the user cancelled, and FolderPath() is left as it was.
    bool Execute();
    const QString &FolderPath() const { return FFolderPath; }

    // Where Execute() opens.
    QString StartFolder() const;

private:
    QWidget *FOwner;
    QString FInitialFolder;
    QString FFolderPath;
};

} // namespace zarvik
