#pragma once

#include "ui/shell/Services.h"

#include <QHash>
#include <QString>

namespace zarvik {

// The file and folder choosers of the desktop program. Each dialog, told apart by its title
// and filter, is kept between uses: it opens in the folder and on the file name it last
// returned. Open dialogs accept a typed name of a file that does not exist (the caller then
// reports it); save dialogs never ask about overwriting, their callers do. In a filter the
// pattern `*.*` stands for every file, names without a dot included.
class TQtFileDialogs : public TFileDialogs
{
public:
    QStringList OpenFiles(QWidget *parent, const QString &title, const QString &filter,
                          bool multiple) override;
    QString SaveFile(QWidget *parent, const QString &title, const QString &filter,
                     const QString &defaultSuffix) override;
    std::optional<QString> ChooseFolder(QWidget *parent, const QString &start) override;
    void RememberFile(const QString &title, const QString &filter, const QString &path) override;

    // The filter as handed to the platform's dialog.
    static QString PlatformFilter(const QString &filter);

private:
    struct TMemory
    {
        QString Folder;
        QString FileName;
    };
    static QString Key(const QString &title, const QString &filter) { return title + u'\n' + filter; }

    QHash<QString, TMemory> FMemory;
};

} // namespace zarvik
