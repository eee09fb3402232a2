#include "ui/project/LinksTab.h"

#include "app/TextFiles.h"
#include "engine/EXSiteGenerator.h"
#include "ui/editor/TextCodec.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/Services.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

std::string FileName(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

TLinksTab::TLinksTab(TSiteGenerator &generator, TServices &services, const TProjectActions &actions,
                     QWidget &window)
    : FGenerator(generator)
    , FServices(services)
    , FWindow(window)
    , FView(BuildLinksTab(actions, window))
{
    connect(FView.Links, &QPlainTextEdit::textChanged, this, &TLinksTab::Memo1Change);
    connect(actions.ClearLinks, &QAction::triggered, this, &TLinksTab::ClearLinksExecute);
    connect(actions.ImportLinks, &QAction::triggered, this, &TLinksTab::ImportLinksExecute);
    connect(actions.ImportCSV, &QAction::triggered, this, &TLinksTab::ImportCSVExecute);
    connect(actions.SaveLinks, &QAction::triggered, this, &TLinksTab::SaveLinksExecute);
}

int TLinksTab::LinkCount() const
{
    // A final empty line is not an entry: the count is that of the lines the list gives.
    const QTextDocument *document = FView.Links->document();
    int links = document->blockCount();
    if (document->lastBlock().text().isEmpty())
        --links;
    return links;
}

QString TLinksTab::LinksText() const
{
    // The plain-text view turns every no-break space into a space; the raw text keeps it and
    // marks the breaks with separator characters instead.
    QString text = FView.Links->document()->toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // frame start
        case 0xFDD1: // frame end
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

TStringList TLinksTab::LinkLines() const
{
    return SplitLines(FromQString(LinksText()));
}

void TLinksTab::SetLinkLines(const TStringList &lines)
{
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string &line : lines)
        text.push_back(ToQString(line));
    FView.Links->setPlainText(text.join(u'\n'));
}

void TLinksTab::PushLinks()
{
    FGenerator.SetSiteUrlsToLink(LinkLines());
}

void TLinksTab::PullLinks()
{
    SetLinkLines(FGenerator.SiteUrlsToLink());
}

void TLinksTab::Memo1Change()
{
    emit Edited();
    emit LinksChanged();
}

void TLinksTab::ClearLinksExecute()
{
    runCommand(FServices.Errors, [this] {
        const Answer answer = FServices.Prompter.ask(
            MessageKind::Warning, FromQString(u"Вы действительно хотите удалить все ссылки?"_s),
            Buttons::OkCancel);
        if (answer == Answer::Ok)
            FView.Links->clear();
    });
}

void TLinksTab::ImportLinksExecute()
{
    runCommand(FServices.Errors, [this] {
        const QStringList files = FServices.Dialogs.OpenFiles(&FWindow, u"Импортировать ссылки txt"_s,
                                                              u".txt (*.txt);;Все файлы (*.*)"_s, false);
        if (!files.isEmpty())
            SetLinkLines(ImportLinksTxt(FileName(files.front())));
    });
    emit ShowRequested();
}

void TLinksTab::ImportCSVExecute()
{
    runCommand(FServices.Errors, [this] {
        const QStringList files = FServices.Dialogs.OpenFiles(&FWindow, u"Импортировать ссылки TSV"_s,
                                                              u".tsv (*.tsv);;Все файлы (*.*)"_s, false);
        if (!files.isEmpty())
            SetLinkLines(ImportLinksTsv(FileName(files.front())));
    });
    emit ShowRequested();
}

void TLinksTab::SaveLinksExecute()
{
    runCommand(FServices.Errors, [this] {
        QString path =
            FServices.Dialogs.SaveFile(&FWindow, u"Сохранить ссылки в txt"_s, u"*.txt (*.txt)"_s, u"txt"_s);
        if (path.isEmpty())
            return;
        // A name typed without an extension gets the list's own.
        if (QFileInfo(path).suffix().isEmpty())
            path += u".txt"_s;
        QString text = LinksText();
        text.replace(u'\n', u"\r\n"_s);
        WriteTextFile(FileName(path), FromQString(text));
    });
}

} // namespace zarvik
