#include "ui/project/FProject.h"

#include "app/Gallery.h"
#include "app/ProjectFiles.h"
#include "app/SiteSearch.h"
#include "engine/SiteEdit.h"
#include "ui/editor/SourceEditor.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/FindReplaceDialog.h"
#include "ui/project/GalleryDialog.h"
#include "ui/project/LinksTab.h"
#include "ui/project/PagesTab.h"
#include "ui/project/ProgressScope.h"
#include "ui/project/ProjectHistory.h"
#include "ui/project/ProjectProcedures.h"
#include "ui/project/PublishingTab.h"
#include "ui/project/SettingsTab.h"
#include "ui/project/TextsTab.h"
#include "ui/shell/Icons.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/Services.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

std::string FileName(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// A control whose selection Copy and Paste work on.
bool IsTextControl(QWidget *widget)
{
    for (QWidget *w = widget; w; w = w->parentWidget())
        if (qobject_cast<TSourceEditor *>(w))
            return true;
    return qobject_cast<QLineEdit *>(widget) || qobject_cast<QPlainTextEdit *>(widget);
}

// A control that runs a command or changes the tab rather than taking input: while one holds
// the focus, Copy and Paste mean the control focused before it.
bool IsCommandControl(const QWidget *widget)
{
    return qobject_cast<const QToolButton *>(widget) || qobject_cast<const QTabBar *>(widget);
}

} // namespace

TSiteProject::TSiteProject(TServices &services, QWidget *parent)
    : QMainWindow(parent)
    , FServices(services)
    , FGenerator(std::make_unique<TSiteGenerator>())
{
    setObjectName(u"SiteProject"_s);
    setWindowTitle(u"Проект"_s);
    resize(695, 517);

    FActions = BuildProjectActions(*this);
    TSourceEditor *templateEditor = NewSourceEditor();
    TSourceEditor *css = NewSourceEditor();
    TSourceEditor *adsense = NewSourceEditor();
    TSourceEditor *pageText = NewSourceEditor();
    FSettings = std::make_unique<TSettingsTab>(*FGenerator, FServices, *this);
    FTexts =
        std::make_unique<TTextsTab>(*FGenerator, FServices, FActions, *templateEditor, *css, *adsense, *this);
    FPages = std::make_unique<TPagesTab>(*FGenerator, FServices, FActions, *pageText, *this);
    FLinks = std::make_unique<TLinksTab>(*FGenerator, FServices, FActions, *this);
    FPublishing = std::make_unique<TPublishingTab>(FServices, *this);
    FProcedures = std::make_unique<TProjectProcedures>(*this, *FPages, FServices, FActions);
    FHistory = new TProjectHistory(*FGenerator, this);
    FPages->SetHistory(FHistory);

    FTabs = BuildPageControl(*this, *FSettings->Page(), FTexts->Pages(), *FPages->Page(), *FLinks->Page());
    FTabs->addTab(FPublishing->Page(), u"Публикация"_s);
    FPanels = BuildStatusPanels(*statusBar());
    FProceduresMenu = BuildProceduresMenu(FActions, *this);

    connect(FSettings.get(), &TSettingsTab::Pushed, this, &TSiteProject::UpdateStatusBar);
    connect(FTexts.get(), &TTextsTab::Edited, this, &TSiteProject::MarkEdited);
    connect(FPages.get(), &TPagesTab::Edited, this, &TSiteProject::MarkEdited);
    connect(FPages.get(), &TPagesTab::PagesChanged, this, &TSiteProject::UpdateStatusBar);
    connect(FPages.get(), &TPagesTab::ShowRequested, this, [this] { ShowTab(FPages->Page()); });
    connect(FLinks.get(), &TLinksTab::Edited, this, &TSiteProject::MarkEdited);
    connect(FLinks.get(), &TLinksTab::LinksChanged, this, &TSiteProject::UpdateStatusBar);
    connect(FLinks.get(), &TLinksTab::ShowRequested, this, [this] { ShowTab(FLinks->Page()); });
    connect(FPublishing.get(), &TPublishingTab::Edited, this, &TSiteProject::MarkEdited);
    connect(FHistory, &TProjectHistory::Restored, this, &TSiteProject::ShowRestoredProject);
    connect(FActions.FindReplace, &QAction::triggered, this, &TSiteProject::FindReplaceExecute);
    // No menu of the window carries it; its shortcut works anywhere in the window.
    addAction(FActions.FindReplace);
    connect(FActions.ChooseTemplate, &QAction::triggered, this, &TSiteProject::ChooseTemplateExecute);
    connect(FActions.EditCopy, &QAction::triggered, this, &TSiteProject::EditCopy);
    connect(FActions.EditPaste, &QAction::triggered, this, &TSiteProject::EditPaste);
    connect(FTabs, &QTabWidget::currentChanged, this, &TSiteProject::TabChanged);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && isAncestorOf(now) && !IsCommandControl(now))
            FLastFocus = now;
    });

    PushSettings();
    FEdited = false;
    ApplyActionIcons(this);
}

TSiteProject::~TSiteProject()
{
    // Tearing the controls down moves the focus and changes selections; none of that may reach a
    // handler of a window that is going away.
    disconnect(qApp, nullptr, this, nullptr);
    FSettings->StopPushingOnExit();
    for (QObject *child : findChildren<QObject *>())
        child->blockSignals(true);
    delete FTabs;
}

TSourceEditor *TSiteProject::NewSourceEditor()
{
    return new TSourceEditor(FServices.EditorEnvironment);
}

// --- Name, files ---------------------------------------------------------------------------

void TSiteProject::SetProjectName(const QString &name)
{
    FProjectName = name;
    setWindowTitle(name);
}

void TSiteProject::LoadProjectFile(const QString &path)
{
    TProgressScope progress(this, FServices.Busy, u"Открытие проекта..."_s);
    LoadProject(FileName(path), *FGenerator, progress.Callback());
    // The export must never write a page over the project's own file.
    FGenerator->SetProjectFilePath(FromQString(QFileInfo(path).absoluteFilePath()));
    FPublishing->LoadSettings(FileName(path));
    PullSettings();
    // The pages were replaced: no row may keep standing for one of the old ones.
    RebuildPageTree();
    FGenerator->SetChanged(false);
    FEdited = false;
    FHistory->Clear();
    FHistory->SetClean();
}

void TSiteProject::SaveProjectFile(const QString &path)
{
    PushSettings();
    PushEditors();
    TProgressScope progress(this, FServices.Busy, u"Сохранение проекта..."_s);
    SaveProject(FileName(path), *FGenerator, progress.Callback());
    FPublishing->SaveSettings(FileName(path));
    FGenerator->SetProjectFilePath(FromQString(QFileInfo(path).absoluteFilePath()));
    FGenerator->SetChanged(false);
    FEdited = false;
    FHistory->SetClean();
}

const TProjectSettings &TSiteProject::PublishingSettings() const
{
    return FPublishing->Settings();
}

bool TSiteProject::HasUnsavedEdits() const
{
    return FEdited || !FHistory->IsClean() || FSettings->ChangedSincePush();
}

// --- Synchronisation with the generator ------------------------------------------------------

void TSiteProject::PushSettings()
{
    // The settings tab reports the push, which refreshes the status bar.
    FSettings->PushSettings();
    FPublishing->PushBaseUrl();
}

void TSiteProject::PushEditors()
{
    FTexts->PushTexts();
    FLinks->PushLinks();
}

void TSiteProject::PullSettings()
{
    // Filling the controls from the generator is no edit of the user's.
    const bool edited = FEdited;
    FSettings->PullSettings();
    FTexts->PullTexts();
    FLinks->PullLinks();
    FEdited = edited;
    UpdateStatusBar();
}

void TSiteProject::UpdateStatusBar()
{
    FPanels[0]->setText(windowTitle());
    FPanels[0]->setToolTip(windowTitle());
    FPanels[1]->setText(u"Страниц: "_s + QString::number(FGenerator->Pages().Count()));
    FPanels[2]->setText(u"Ссылок: "_s + QString::number(FLinks->LinkCount()));
    FPanels[3]->setText(u"Min: "_s + QString::number(FGenerator->MinCharsPerPage()));
    FPanels[4]->setText(u"Max: "_s + QString::number(FGenerator->MaxCharsPerPage()));
}

// --- Tabs ----------------------------------------------------------------------------------

void TSiteProject::RebuildPageTree()
{
    FPages->RebuildPageTree();
}

void TSiteProject::InsertAtCaret(std::string_view text)
{
    FTexts->InsertAtCaret(text);
}

void TSiteProject::AddCharsetDeclaration()
{
    ShowTab(FTexts->Pages().Template);
    FTexts->AddCharsetDeclaration();
}

void TSiteProject::TreeView1DragDrop(const QModelIndex &target)
{
    FPages->TreeView1DragDrop(target);
}

void TSiteProject::ShowPageAt(int pageIndex)
{
    ShowTab(FPages->Page());
    FPages->SelectPage(pageIndex);
}

void TSiteProject::UndoProjectEdit()
{
    runCommand(FServices.Errors, [this] {
        PushEditors();
        FHistory->Undo();
    });
}

void TSiteProject::RedoProjectEdit()
{
    runCommand(FServices.Errors, [this] {
        PushEditors();
        FHistory->Redo();
    });
}

void TSiteProject::ShowRestoredProject()
{
    // The editors hold what was pushed before the undo; only a text the undo changed is shown
    // again, so the others keep their own undo.
    FTexts->PullChangedTexts();
    RebuildPageTree();
    UpdateStatusBar();
}

void TSiteProject::FindReplaceExecute()
{
    runCommand(FServices.Errors, [this] {
        PushEditors();
        const auto apply = [this](const std::vector<TSearchHit> &hits) {
            runCommand(FServices.Errors, [&] {
                PushEditors();
                auto edit = std::make_unique<TSiteEdit>();
                ApplyReplacements(*FGenerator, hits, edit.get());
                FHistory->Push(std::move(edit), u"Замена"_s);
                ShowRestoredProject();
            });
        };
        const auto show = [this](const TSearchHit &hit) {
            switch (hit.Area) {
            case TSearchArea::PageText:
            case TSearchArea::PageTitle:
                ShowTab(FPages->Page());
                FPages->ShowPageText(hit.Page, hit.Area == TSearchArea::PageText ? hit.Offset : 0);
                break;
            case TSearchArea::Template:
                ShowTab(FTexts->Pages().Template);
                FTexts->ShowTemplateOffset(hit.Offset);
                break;
            case TSearchArea::Style:
                ShowTab(FTexts->Pages().Css);
                break;
            case TSearchArea::AdBlock:
                ShowTab(FTexts->Pages().Adsense);
                break;
            }
        };
        TFindReplaceDialog dialog(*FGenerator, apply, show, this);
        dialog.exec();
    });
}

void TSiteProject::ChooseTemplateExecute()
{
    runCommand(FServices.Errors, [this] {
        TGalleryDialog dialog(ListGallery(GalleryFolder()), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const std::optional<TGalleryEntry> chosen = dialog.Chosen();
        if (!chosen)
            return;
        const TGalleryTexts texts = ReadGalleryTexts(*chosen);
        PushEditors();
        auto edit = std::make_unique<TSiteEdit>();
        edit->SetSiteField(*FGenerator, TSiteField::Template, texts.Template);
        edit->SetSiteField(*FGenerator, TSiteField::Style, texts.Style);
        FHistory->Push(std::move(edit), u"Шаблон «%1»"_s.arg(QString::fromStdString(chosen->Title)));
        ShowRestoredProject();
        ShowTab(FTexts->Pages().Template);
    });
}

void TSiteProject::TabChanged(int index)
{
    if (FTabs->widget(index) == FPages->Page())
        RebuildPageTree();
}

void TSiteProject::ShowTab(QWidget *page)
{
    FTabs->setCurrentWidget(page);
}

// --- Copy and paste ------------------------------------------------------------------------

QWidget *TSiteProject::EditTarget() const
{
    QWidget *focused = QApplication::focusWidget();
    QWidget *target =
        focused && isAncestorOf(focused) && !IsCommandControl(focused) ? focused : FLastFocus.data();
    // A check box, a button or the page tree takes no text; a control on a hidden tab or a
    // disabled one is out of the user's reach.
    QWidget *tab = FTabs->currentWidget();
    if (!target || !IsTextControl(target) || !tab || !tab->isAncestorOf(target) || !target->isEnabled())
        return nullptr;
    return target;
}

void TSiteProject::EditCopy()
{
    QWidget *target = EditTarget();
    for (QWidget *w = target; w && w != this; w = w->parentWidget())
        if (auto *editor = qobject_cast<TSourceEditor *>(w)) {
            editor->Copy();
            return;
        }
    if (auto *field = qobject_cast<QLineEdit *>(target))
        field->copy();
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(target))
        memo->copy();
}

void TSiteProject::EditPaste()
{
    QWidget *target = EditTarget();
    for (QWidget *w = target; w && w != this; w = w->parentWidget())
        if (auto *editor = qobject_cast<TSourceEditor *>(w)) {
            editor->Paste();
            return;
        }
    if (auto *field = qobject_cast<QLineEdit *>(target))
        field->paste();
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(target))
        memo->paste();
}

} // namespace zarvik
