#include "ui/project/TextsTab.h"

#include "app/CharsetDeclaration.h"
#include "app/ProjectDefaults.h"
#include "app/TemplateLint.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/SiteRules.h"
#include "ui/editor/SourceEditor.h"
#include "ui/editor/TextCodec.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/Services.h"

#include <QAction>
#include <QTimer>

#include <utility>

namespace zarvik {

using namespace Qt::StringLiterals;

TTextsTab::TTextsTab(TSiteGenerator &generator, TServices &services, const TProjectActions &actions,
                     TSourceEditor &templateEditor, TSourceEditor &css, TSourceEditor &adsense,
                     QWidget &window)
    : FGenerator(generator)
    , FServices(services)
    , FWindow(window)
    , FTemplate(templateEditor)
    , FCss(css)
    , FAdsense(adsense)
    , FView(BuildTextTabs(actions, templateEditor, css, adsense, window))
{
    FTemplate.SetFileText(DefaultTemplate());
    FCss.SetFileText(DefaultCss());
    FAdsense.SetFileText(DefaultAdBlock());

    const std::pair<QAction *, std::string_view> inserts[] = {
        {actions.InsertTitle, "SiteGeneratorChange.Title"},
        {actions.InsertMenu, "SiteGeneratorChange.Menu"},
        {actions.InsertMainText, "SiteGeneratorChange.MainText"},
        {actions.InsertPagination, "SiteGeneratorChange.Pagination"},
        {actions.InsertCss, R"(<link rel="stylesheet" href="style.css" />)"},
        {actions.InsertAdsense, "SiteGeneratorChange.Adsense"},
    };
    for (const auto &[action, text] : inserts)
        connect(action, &QAction::triggered, this, [this, text] { InsertAtCaret(text); });
    connect(actions.LoadTemplate, &QAction::triggered, this, &TTextsTab::LoadTemplateExecute);
    connect(actions.LoadCss, &QAction::triggered, this, &TTextsTab::LoadCssExecute);
    for (TSourceEditor *editor : {&FTemplate, &FCss, &FAdsense})
        connect(editor, &TSourceEditor::TextEdited, this, &TTextsTab::Edited);

    // The template assistant: the placeholder names after their prefix, and remarks on slips.
    QStringList names;
    for (const std::string_view name : Placeholders)
        names.append(QString::fromLatin1(name.substr(PlaceholderPrefix.size())));
    FTemplate.SetCompletion(QString::fromLatin1(PlaceholderPrefix), names);
    FNotesTimer = new QTimer(this);
    FNotesTimer->setSingleShot(true);
    FNotesTimer->setInterval(300);
    connect(FNotesTimer, &QTimer::timeout, this, &TTextsTab::UpdateTemplateNotes);
    connect(&FTemplate, &TSourceEditor::TextEdited, FNotesTimer, qOverload<>(&QTimer::start));
    UpdateTemplateNotes();
}

void TTextsTab::UpdateTemplateNotes()
{
    const std::string text = FTemplate.Text();
    const TTemplateLint lint = LintTemplate(text);
    std::vector<TSourceEditor::TNote> notes;
    for (const TPlaceholderSlip &slip : lint.Slips) {
        const QString remark = slip.Suggestion.empty()
                                   ? u"не заполнитель: такого нет среди семи"_s
                                   : u"может быть, %1?"_s.arg(QString::fromLatin1(slip.Suggestion));
        notes.push_back({slip.Offset, slip.Length, remark});
    }
    const std::string_view mainText = PlaceholderName(TPlaceholder::MainText);
    if (lint.MainTextCount == 0)
        notes.push_back(
            {0, 0, u"В шаблоне нет %1: страницы выйдут без текста"_s.arg(QString::fromLatin1(mainText))});
    if (lint.MainTextCount > 1) {
        const std::size_t second = text.find(mainText, text.find(mainText) + mainText.size());
        notes.push_back({second, mainText.size(),
                         u"%1 стоит здесь ещё раз: текст страницы выйдет на ней дважды"_s.arg(
                             QString::fromLatin1(mainText))});
    }
    FTemplate.SetNotes(notes);
}

void TTextsTab::InsertAtCaret(std::string_view text)
{
    FTemplate.InsertInLine(FTemplate.CaretLine(), FTemplate.CaretColumn(), text);
}

void TTextsTab::LoadTemplateExecute()
{
    runCommand(FServices.Errors, [this] {
        const QStringList files = FServices.Dialogs.OpenFiles(
            &FWindow, u"Загрузка шаблона"_s, u".htm, .html (*.htm *.html);;Все файлы (*.*)"_s, false);
        if (!files.isEmpty()) {
            FTemplate.LoadFile(files.front());
            UpdateTemplateNotes();
            emit Edited();
        }
    });
}

void TTextsTab::LoadCssExecute()
{
    runCommand(FServices.Errors, [this] {
        const QStringList files = FServices.Dialogs.OpenFiles(&FWindow, u"Загрузить стиль"_s,
                                                              u".css (*.css);;Все файлы (*.*)"_s, false);
        if (!files.isEmpty()) {
            FCss.LoadFile(files.front());
            emit Edited();
        }
    });
}

void TTextsTab::AddCharsetDeclaration()
{
    const TCharsetFixPlan plan = PlanCharsetFix(FTemplate.Text());
    if (plan.Fix == TCharsetFix::NoHead)
        throw EError(FromQString(u"В шаблоне нет тега <head>: объявление кодировки некуда добавить"_s));
    if (plan.Fix == TCharsetFix::Insert)
        FTemplate.InsertAtTextOffset(plan.Insertion.Offset, plan.Insertion.Text);
    PushTexts();
}

void TTextsTab::PushTexts()
{
    FGenerator.SetSiteTemplate(FTemplate.Text());
    FGenerator.SetAdsenseCode(FAdsense.Text());
    FGenerator.SetCssCode(FCss.Text());
}

void TTextsTab::PullTexts()
{
    FTemplate.SetText(FGenerator.SiteTemplate());
    FAdsense.SetText(FGenerator.AdsenseCode());
    FCss.SetText(FGenerator.CssCode());
    UpdateTemplateNotes();
}

} // namespace zarvik

namespace zarvik {

void TTextsTab::PullChangedTexts()
{
    // As file text, so that a final line break comes back as the editor's final empty line and
    // the editor gives back exactly the generator's text.
    if (FTemplate.Text() != FGenerator.SiteTemplate()) {
        FTemplate.SetFileText(FGenerator.SiteTemplate());
        UpdateTemplateNotes();
    }
    if (FAdsense.Text() != FGenerator.AdsenseCode())
        FAdsense.SetFileText(FGenerator.AdsenseCode());
    if (FCss.Text() != FGenerator.CssCode())
        FCss.SetFileText(FGenerator.CssCode());
}

void TTextsTab::ShowTemplateOffset(std::size_t offset)
{
    FTemplate.SetCaretToTextOffset(offset);
    FTemplate.setFocus();
}

} // namespace zarvik
