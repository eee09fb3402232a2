#pragma once

#include "ui/project/ProjectLayout.h"

#include <QObject>

namespace zarvik {

class TPagesTab;
class TSiteProject;
struct TServices;

// The project-wide operations of a project window's menu "Процедуры" beyond adding content and
// importing links: link distribution, site export, the preview in a browser, the link report,
// the project check and the pruning of stale pages. Each first copies the window's controls into
// the generator where the operation needs the project as shown.
class TProjectProcedures : public QObject
{
    Q_OBJECT

public:
    // The window, its pages tab and the services must outlive the procedures.
    TProjectProcedures(TSiteProject &window, const TPagesTab &pages, TServices &services,
                       const TProjectActions &actions);

    void LinksGenerExecute();
    void SiteExportExecute();
    // Renders the site into a private temporary folder and opens the selected page there.
    void PreviewInBrowserExecute();
    void LinkReportExecute();
    void CheckProjectExecute();
    void PruneStaleExecute();

private:
    // PushSettings and PushEditors of the window.
    void PushAll();

    TSiteProject &FWindow;
    const TPagesTab &FPages;
    TServices &FServices;
};

} // namespace zarvik
