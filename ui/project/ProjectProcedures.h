#pragma once

#include "ui/project/ProjectLayout.h"

#include <QObject>

#include <memory>

namespace zarvik {

class TPagesTab;
class TPreviewServer;
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
    ~TProjectProcedures() override;

    void LinksGenerExecute();
    void SiteExportExecute();
    // Opens the selected page (else index.html) in the browser from the window's preview server,
    // which starts on first use, renders each page from the window's project when the browser
    // asks for it, and stops with the procedures, that is with the window.
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
    std::unique_ptr<TPreviewServer> FPreviewServer;
};

} // namespace zarvik
