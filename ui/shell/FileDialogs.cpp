#include "ui/shell/FileDialogs.h"

#include "ui/shell/PFolderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

void Restore(QFileDialog &dialog, const QString &folder, const QString &fileName)
{
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
}

} // namespace

QString TQtFileDialogs::PlatformFilter(const QString &filter)
{
    static const QRegularExpression allFiles(u"(^|[\\s(;])\\*\\.\\*(?=[\\s);]|$)"_s);
    QString out = filter;
    out.replace(allFiles, u"\\1*"_s);
    return out;
}

QStringList TQtFileDialogs::OpenFiles(QWidget *parent, const QString &title, const QString &filter,
                                      bool multiple)
{
    TMemory &memory = FMemory[Key(title, filter)];
    QFileDialog dialog(parent, title, QString(), PlatformFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    Restore(dialog, memory.Folder, memory.FileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty()) {
        memory.Folder = dialog.directory().absolutePath();
        memory.FileName = files.size() == 1 ? QFileInfo(files.front()).fileName() : QString();
    }
    return files;
}

QString TQtFileDialogs::SaveFile(QWidget *parent, const QString &title, const QString &filter,
                                 const QString &defaultSuffix)
{
    TMemory &memory = FMemory[Key(title, filter)];
    QFileDialog dialog(parent, title, QString(), PlatformFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(defaultSuffix);
    Restore(dialog, memory.Folder, memory.FileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return {};
    memory.Folder = dialog.directory().absolutePath();
    memory.FileName = QFileInfo(files.front()).fileName();
    return files.front();
}

void TQtFileDialogs::RememberFile(const QString &title, const QString &filter, const QString &path)
{
    TMemory &memory = FMemory[Key(title, filter)];
    const QFileInfo info(path);
    memory.Folder = info.absolutePath();
    memory.FileName = info.fileName();
}

std::optional<QString> TQtFileDialogs::ChooseFolder(QWidget *parent, const QString &start)
{
    TPFolderDialog dialog(parent);
    dialog.SetInitialFolder(start);
    if (!dialog.Execute())
        return std::nullopt;
    return dialog.FolderPath();
}

} // namespace zarvik
