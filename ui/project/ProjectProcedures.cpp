#include "ui/project/ProjectProcedures.h"

#include "app/BrowserLauncher.h"
#include "app/ExportRecord.h"
#include "app/LinkReport.h"
#include "app/PreviewPages.h"
#include "app/ProjectCheck.h"
#include "app/SiteFiles.h"
#include "app/StalePages.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/SiteEdit.h"
#include "preview/PreviewServer.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/CheckDialog.h"
#include "ui/project/FProject.h"
#include "ui/project/LinkReportDialog.h"
#include "ui/project/PagesTab.h"
#include "ui/project/ProgressScope.h"
#include "ui/project/ProjectHistory.h"
#include "ui/project/SettingsTab.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/Services.h"

#include <QAction>
#include <QCheckBox>
#include <QStatusBar>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

// For a command that only reads the project (preview, check, pruning the export folder): copies
// what the window's controls show into the generator for the command, as every command does,
// and takes that copy back when the command is over unless an edit was waiting to be pushed.
// With nothing waiting, the settings already match the generator; the texts may not (a new
// window shows the default template while its generator holds none until the first push), so
// they and the changed flag the setters raise are put back, and the project is left as the user
// left it.
class TLookingPush
{
public:
    explicit TLookingPush(TSiteProject &window)
        : FGenerator(window.Generator())
        , FRestore(!window.HasUnsavedEdits())
        , FChanged(FGenerator.Changed())
        , FTemplate(FGenerator.SiteTemplate())
        , FAdsense(FGenerator.AdsenseCode())
        , FCss(FGenerator.CssCode())
        , FLinks(FGenerator.SiteUrlsToLink())
    {
        window.PushSettings();
        window.PushEditors();
    }
    ~TLookingPush()
    {
        if (!FRestore)
            return;
        FGenerator.SetSiteTemplate(std::move(FTemplate));
        FGenerator.SetAdsenseCode(std::move(FAdsense));
        FGenerator.SetCssCode(std::move(FCss));
        if (FGenerator.SiteUrlsToLink() != FLinks)
            FGenerator.SetSiteUrlsToLink(std::move(FLinks));
        FGenerator.SetChanged(FChanged);
    }
    TLookingPush(const TLookingPush &) = delete;
    TLookingPush &operator=(const TLookingPush &) = delete;

private:
    TSiteGenerator &FGenerator;
    const bool FRestore;
    const bool FChanged;
    std::string FTemplate;
    std::string FAdsense;
    std::string FCss;
    TStringList FLinks;
};

} // namespace

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

TProjectProcedures::~TProjectProcedures() = default;

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
        auto edit = std::make_unique<TSiteEdit>();
        edit->BeginLinkDistribution(FWindow.Generator());
        try {
            FWindow.Generator().SetLinks(FServices.Prompter);
        } catch (...) {
            // The bodies built before the failure can still be taken back.
            edit->EndLinkDistribution(FWindow.Generator());
            FWindow.History().Push(std::move(edit), u"Распределение ссылок"_s);
            throw;
        }
        edit->EndLinkDistribution(FWindow.Generator());
        FWindow.History().Push(std::move(edit), u"Распределение ссылок"_s);
    });
}

void TProjectProcedures::SiteExportExecute()
{
    runCommand(FServices.Errors, [this] {
        PushAll();
        // The check box beside the export folder on the settings tab.
        const auto *rewriteAll =
            FWindow.findChild<QCheckBox *>(QString::fromLatin1(TSettingsTab::RewriteAllName));
        TExportRecordLedger ledger(rewriteAll && rewriteAll->isChecked());
        ledger.SetReservedNames(SiteFileNames(FWindow.PublishingSettings()));
        TExportCounts counts;
        {
            // The export looks at the folder before it writes: the dialog comes up early.
            TProgressScope progress(&FWindow, FServices.Busy, FWindow.Generator(), u"Выгрузка сайта..."_s,
                                    TProgressScope::ShowSoonAfterMs);
            counts = FWindow.Generator().SiteImport(FServices.Prompter, &ledger);
            if (!counts.Stopped)
                PublishSiteFiles(FWindow.Generator(), FWindow.PublishingSettings(), FServices.Prompter);
        }
        if (counts.Stopped) {
            FWindow.statusBar()->showMessage(u"Сайт не выгружен: файлы в папке не заменены"_s);
        } else if (counts.Written + counts.Unchanged > 0) {
            FWindow.statusBar()->showMessage(
                u"Сайт выгружен. Записано файлов: %1, без изменений: %2"_s.arg(counts.Written)
                    .arg(counts.Unchanged));
        }
    });
}

void TProjectProcedures::PreviewInBrowserExecute()
{
    runCommand(FServices.Errors, [this] {
        if (!FPreviewServer) {
            // Every request sees what the window shows at that moment.
            auto server = std::make_unique<TPreviewServer>([this](const std::string &path) {
                const TLookingPush push(FWindow);
                return RenderPreviewFile(FWindow.Generator(), path);
            });
            server->Start();
            FPreviewServer = std::move(server);
        }
        const TSitePage *page = FPages.SelectedPage();
        const std::string pageUrl =
            page && IsPreviewablePageUrl(page->PageUrl()) ? page->PageUrl() : "index.html";
        const std::string address = FPreviewServer->Address(PreviewUrlPath(pageUrl));
        if (!FServices.Browser.Open(address))
            throw EError(Utf8ToCp1251("Не удалось открыть браузер для просмотра \"" + address + "\""));
    });
}

void TProjectProcedures::LinkReportExecute()
{
    // The report is about the last distribution, so it reads the link list that was pushed for
    // it, not the one being edited.
    runCommand(FServices.Errors, [this] {
        const TBusyScope busy(FServices.Busy);
        TLinkReport report;
        {
            TProgressScope progress(&FWindow, FServices.Busy, u"Отчёт о ссылках..."_s);
            report = BuildLinkReport(FWindow.Generator(), progress.Callback());
        }
        auto *dialog = new TLinkReportDialog(FServices, std::move(report), &FWindow);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

void TProjectProcedures::CheckProjectExecute()
{
    runCommand(FServices.Errors, [this] {
        const TBusyScope busy(FServices.Busy);
        const TLookingPush push(FWindow);
        TCheckResult result;
        {
            TProgressScope progress(&FWindow, FServices.Busy, u"Проверка проекта..."_s);
            result = CheckProject(FWindow.Generator(), std::nullopt, progress.Callback());
        }
        auto *dialog = new TCheckDialog(result, &FWindow);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &TCheckDialog::AddCharsetRequested, dialog, [this, dialog] {
            runCommand(FServices.Errors, [&] {
                FWindow.AddCharsetDeclaration();
                dialog->CharsetAdded();
            });
        });
        connect(dialog, &TCheckDialog::PruneStaleRequested, dialog, [this, dialog] {
            PruneStaleExecute();
            dialog->accept();
        });
        connect(dialog, &TCheckDialog::PageRequested, dialog,
                [this](int pageIndex) { FWindow.ShowPageAt(pageIndex); });
        dialog->open();
    });
}

void TProjectProcedures::PruneStaleExecute()
{
    runCommand(FServices.Errors, [this] {
        const TLookingPush push(FWindow);
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
