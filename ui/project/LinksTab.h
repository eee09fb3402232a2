#pragma once

#include "engine/StringList.h"
#include "ui/project/ProjectLayout.h"

#include <QObject>
#include <QString>

namespace zarvik {

class TSiteGenerator;
struct TServices;

// The links tab (TabSheet3) of a project window: the link list Memo1, one link per line, with
// its commands to clear it, import it from a txt or TSV file and save it to a txt file.
class TLinksTab : public QObject
{
    Q_OBJECT

public:
    // The generator, the services and the window (the parent of its dialogs) must outlive the
    // tab. The page is not yet placed in the window.
    TLinksTab(TSiteGenerator &generator, TServices &services, const TProjectActions &actions,
              QWidget &window);

    QWidget *Page() const { return FView.Page; }

    // The number of entries in the list; a final empty line is not one.
    int LinkCount() const;
    // The list into the generator's links to distribute.
    void PushLinks();
    // The generator's links into the list.
    void PullLinks();

    void ClearLinksExecute();
    void ImportLinksExecute();
    void ImportCSVExecute();
    void SaveLinksExecute();

signals:
    // The user changed the list.
    void Edited();
    // The list's text changed, by the user or by a command.
    void LinksChanged();
    // A command wants the tab in view.
    void ShowRequested();

private:
    void Memo1Change();
    // The list's text with its no-break spaces kept, lines separated by LF.
    QString LinksText() const;
    TStringList LinkLines() const;
    void SetLinkLines(const TStringList &lines);

    TSiteGenerator &FGenerator;
    TServices &FServices;
    QWidget &FWindow;
    TLinksTabView FView;
};

} // namespace zarvik
