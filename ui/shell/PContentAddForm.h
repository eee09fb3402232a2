#pragma once

#include "engine/SplitPreview.h"
#include "engine/StringList.h"
#include "ui/shell/Services.h"

#include <QDialog>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QTimer;
class QTreeWidgetItem;

namespace Ui {
class ContentAddForm;
}

namespace zarvik {

class TSourceEditor;
class TSiteGenerator;

// The dialog "Добавить контент к сайту": the user types, pastes or loads text, which the
// calling project window hands to its generator when the dialog was accepted. One instance
// serves every project; each use is Prepare, Execute, then Text when accepted. The dialog's
// controls and commands are laid out in PContentAddForm.ui; this class reacts to them.
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
    // The files are read in the encoding chosen in EncodingBox (the usual rule by default), and
    // EncodingLabel names the encoding found in each.
    void FileOpen1Accept(const QStringList &files);
    // Reads the files loaded last again in the encoding now chosen, as long as their text has
    // not been edited since; otherwise the choice applies to the next files opened.
    void ReloadInChosenEncoding();
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
    // Gives the preview pane room for all its columns when it opens or its rows need more: the
    // dialog grows within its screen, and the editor keeps at least half of the split.
    void FitPreviewPane();
    void ClearPreview();
    void PreviewPageChosen(QTreeWidgetItem *item);
    void FileOpen1Execute();
    void FillEncodingBox();
    // The files' lines in the chosen encoding with marker lines between them; shows what was found.
    TStringList ReadFilesInChosenEncoding(const QStringList &files);

    TErrorDisplay &FErrors;
    TFileDialogs &FDialogs;
    TSiteGenerator *FGenerator = nullptr;
    bool FAccepted = false;

    std::unique_ptr<Ui::ContentAddForm> FUi;
    TSourceEditor *FEditor;
    // The files loaded last, the editor's line count before them, and whether their text is
    // still as loaded.
    QStringList FLoadedFiles;
    int FLoadStart = 0;
    bool FLoadIntact = false;
    QTimer *FPreviewTimer;
    std::vector<TPreviewPage> FPreviewPages;
    // The preview pane's width at its last fit.
    int FPreviewPaneFitted = 0;
};

} // namespace zarvik
