#include "ui/shell/PFolderDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace zarvik {

TPFolderDialog::TPFolderDialog(QWidget *owner)
    : FOwner(owner)
{
}

QString TPFolderDialog::StartFolder() const
{
    if (!FInitialFolder.isEmpty() && QFileInfo(FInitialFolder).isDir())
        return QFileInfo(FInitialFolder).absoluteFilePath();
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return desktop;
    return QDir::homePath();
}

bool TPFolderDialog::Execute()
{
    QWidget *owner = FOwner ? FOwner : QApplication::activeWindow();
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDirectory(StartFolder());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    FFolderPath = QDir::cleanPath(QFileInfo(chosen.front()).absoluteFilePath());
    return true;
}

} // namespace zarvik
