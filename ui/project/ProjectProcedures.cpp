#include "ui/project/ProjectProcedures.h"

#include "app/LinkReport.h"
#include "app/ProjectCheck.h"
#include "app/SiteFiles.h"
#include "app/SitePreview.h"
#include "app/StalePages.h"
#include "engine/EXSiteGenerator.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/CheckDialog.h"
#include "ui/project/FProject.h"
#include "ui/project/LinkReportDialog.h"
#include "ui/project/PagesTab.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/Services.h"

#include <QAction>

#include <optional>
#include <string>
#include <vector>

namespace zarvik {

using namespace Qt::StringLiterals;

TProjectProcedures::TProjectProcedures(TSiteProject &window, const TPagesTab &pages, TServices &services,
                                       const TProjectActions &actions)
    : FWindow(window)
    , FPages(pages)
    , FServices(services)
{
    connect(actions.LinksGener, &QAction::triggered, this, &TProjectProcedures::LinksGenerExecute);
    connect(actions.SiteExport, &QAction::triggered, this, &TProjectProcedures::SiteExportExecute);
    connect(actions.PreviewInBrowser, &QAction::triggered, this,
            &TProjectProcedures::PreviewInBrowserExecute);
    connect(actions.LinkReport, &QAction::triggered, this, &TProjectProcedures::LinkReportExecute);
    connect(actions.CheckProject, &QAction::triggered, this, &TProjectProcedures::CheckProjectExecute);
    connect(actions.PruneStale, &QAction::triggered, this, &TProjectProcedures::PruneStaleExecute);
}

void TProjectProcedures::PushAll()
{
    FWindow.PushSettings();
    FWindow.PushEditors();
}

void TProjectProcedures::LinksGenerExecute()
{
    runCommand(FServices.Errors, [this] {
        PushAll();
        TProgressScope progress(&FWindow, FServices.Busy, FWindow.Generator(), u"Распределение ссылок..."_s);
        FWindow.Generator().SetLinks(FServices.Prompter);
    });
}

void TProjectProcedures::SiteExportExecute()
{
    runCommand(FServices.Errors, [this] {
        PushAll();
        TProgressScope progress(&FWindow, FServices.Busy, FWindow.Generator(), u"Выгрузка сайта..."_s);
        FWindow.Generator().SiteImport(FServices.Prompter);
        PublishSiteFiles(FWindow.Generator(), FWindow.PublishingSettings(), FServices.Prompter);
    });
}

void TProjectProcedures::PreviewInBrowserExecute()
{
    runCommand(FServices.Errors, [this] {
        PushAll();
        const TSitePage *page = FPages.SelectedPage();
        TProgressScope progress(&FWindow, FServices.Busy, FWindow.Generator(), u"Подготовка просмотра..."_s);
        OpenPreview(FWindow.Generator(), FServices.PreviewFolders, FServices.Browser,
                    page ? page->PageUrl() : std::string());
    });
}

void TProjectProcedures::LinkReportExecute()
{
    // The report is about the last distribution, so it reads the link list that was pushed for
    // it, not the one being edited.
    runCommand(FServices.Errors, [this] {
        auto *dialog = new TLinkReportDialog(FServices, BuildLinkReport(FWindow.Generator()), &FWindow);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

void TProjectProcedures::CheckProjectExecute()
{
    runCommand(FServices.Errors, [this] {
        PushAll();
        auto *dialog = new TCheckDialog(CheckProject(FWindow.Generator(), std::nullopt), &FWindow);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

void TProjectProcedures::PruneStaleExecute()
{
    runCommand(FServices.Errors, [this] {
        PushAll();
        TSiteGenerator &generator = FWindow.Generator();
        const std::vector<std::string> deleted =
            PruneStalePages(generator, CheckProject(generator, std::nullopt), FServices.Prompter);
        if (!deleted.empty()) {
            FServices.Prompter.ask(MessageKind::Information,
                                   FromQString(u"Удалено страниц: %1"_s.arg(deleted.size())), Buttons::Ok);
        }
    });
}

} // namespace zarvik
