#pragma once

#include "engine/SplitPreview.h"
#include "ui/shell/Services.h"

#include <QDialog>
#include <QStringList>

#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace zarvik {

class TSourceEditor;
class TSiteGenerator;

// The dialog "Добавить контент к сайту": the user types, pastes or loads text, which the
// calling project window hands to its generator when the dialog was accepted. One instance
// serves every project; each use is Prepare, Execute, then Text when accepted.
class TContentAddForm : public QDialog, public TContentAddDialog
{
    Q_OBJECT
public:
    TContentAddForm(TErrorDisplay &errors, TFileDialogs &dialogs, QWidget *parent = nullptr);
    ~TContentAddForm() override;

    // Empties the editor, clears the accepted flag and remembers the generator whose
    // page-break marker goes between loaded files and into SpecDigg. The generator must
    // outlive the use of the dialog.
    void Prepare(TSiteGenerator &generator) override;
    bool Execute() override;
    std::string Text() const override;
    bool Accepted() const { return FAccepted; }

    TSourceEditor &Editor() const { return *FEditor; }

    // Appends the files' lines after the editor's text, one line holding the page-break marker
    // between two files. Nothing is appended when a file cannot be read; the error is thrown.
    void FileOpen1Accept(const QStringList &files);
    // Inserts the page-break marker into the caret's line before the caret.
    void SpecDiggExecute();
    void FClearExecute();

    void reject() override;

    // The split preview beside the editor: the pages "Добавить" would make, with warnings, and
    // the cut points marked in the editor. Hidden until the user asks for it; while shown it
    // follows the text after a short pause in typing.
    bool PreviewShown() const;
    void SetPreviewShown(bool shown);
    // Recomputes the preview now (it is otherwise debounced).
    void UpdatePreview();
    const std::vector<TPreviewPage> &PreviewPages() const { return FPreviewPages; }
    QString PreviewWarnings() const;

private:
    void SchedulePreview();
    void ClearPreview();
    void PreviewPageChosen(QTreeWidgetItem *item);
    void FileOpen1Execute();
    QAction *MakeAction(const QString &name, const QString &caption, const QKeySequence &shortcut);

    TErrorDisplay &FErrors;
    TFileDialogs &FDialogs;
    TSiteGenerator *FGenerator = nullptr;
    bool FAccepted = false;

    TSourceEditor *FEditor;
    QToolBar *FToolBar;
    QMenu *FPopupMenu;
    QPushButton *FAddButton;
    QPushButton *FCancelButton;

    QSplitter *FSplitter;
    QWidget *FPreviewPane;
    QLabel *FPreviewWarnings;
    QTreeWidget *FPreviewList;
    QPushButton *FPreviewButton;
    QTimer *FPreviewTimer;
    std::vector<TPreviewPage> FPreviewPages;
};

} // namespace zarvik
