#include "cli/ReportCommands.h"

#include "app/BrowserLauncher.h"
#include "app/LinkReport.h"
#include "app/ProjectCheck.h"
#include "app/ProjectDefaults.h"
#include "app/ProjectFiles.h"
#include "app/SitePreview.h"
#include "app/StalePages.h"
#include "cli/Arguments.h"
#include "cli/StderrPrompter.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"

#include <memory>
#include <ostream>

namespace zarvik {
namespace {

std::unique_ptr<TSiteGenerator> OpenProject(const std::string &path)
{
    auto generator = std::make_unique<TSiteGenerator>();
    ApplyNewProjectSettings(*generator);
    LoadProject(path, *generator);
    return generator;
}

std::string Utf8(std::string_view cp1251)
{
    return Cp1251ToUtf8(cp1251);
}

} // namespace

int RunPreviewCommand(const TParsedArguments &args, std::ostream &out, TBrowserLauncher &launcher)
{
    auto generator = OpenProject(args.Positionals.front());
    // The browser reads the pages after this tool has ended, so the folder stays until the next
    // preview of the project replaces it.
    const std::string folder = ProjectPreviewFolder(args.Positionals.front());
    RenewPreviewFolder(folder);
    RenderPreview(*generator, folder);
    const std::string path = PreviewPagePath(folder, ImportText(args.Value("page")));
    if (!args.Has("no-browser") && !launcher.Open(FileUrl(path)))
        throw EError(Utf8ToCp1251("Не удалось открыть браузер для просмотра \"") + Utf8ToCp1251(path) + "\"");
    out << path << "\n";
    return 0;
}

int RunReportCommand(const TParsedArguments &args, std::ostream &out)
{
    const auto generator = OpenProject(args.Positionals.front());
    const TLinkReport report = BuildLinkReport(*generator);
    if (args.Has("tsv")) {
        std::string tsv = LinkReportTsv(report);
        out << Utf8(tsv);
        return 0;
    }
    if (!report.Distributed)
        out << "Ссылки не распределялись: ни у одной страницы нет собранного текста.\n";
    for (const TLinkReportEntry &e : report.Entries) {
        out << e.PageIndex << '\t' << Utf8(e.PageUrl) << '\t' << (e.Word.empty() ? "?" : Utf8(e.Word)) << '\t'
            << Utf8(e.Link) << '\t' << e.Replacements << '\n';
    }
    if (!report.NotHandedOut.empty()) {
        out << "Не розданы (" << report.NotHandedOut.size() << "):\n";
        for (const std::string &link : report.NotHandedOut)
            out << "  " << Utf8(link) << '\n';
    }
    for (const TLinkLint &lint : report.Lints)
        out << "замечание: " << Utf8(lint.Message) << '\n';
    return 0;
}

int RunCheckCommand(const TParsedArguments &args, std::ostream &out, TStderrPrompter &prompter)
{
    if (args.Has("yes") && !args.Has("prune"))
        throw EUsage("--yes нужен только вместе с --prune");
    const auto generator = OpenProject(args.Positionals.front());
    std::optional<std::string> folder;
    if (args.Has("out"))
        folder = args.Value("out");
    const TCheckResult result = CheckProject(*generator, folder);
    if (args.Has("json")) {
        out << CheckResultJson(result);
    } else {
        for (const TFinding &finding : result.Findings)
            out << (IsAdvice(finding.Kind) ? "совет: " : "") << Utf8(FindingText(finding)) << '\n';
    }
    if (args.Has("prune")) {
        if (args.Has("yes"))
            prompter.SetQuestionAnswer(true);
        for (const std::string &name : PruneStalePages(*generator, result, prompter))
            out << "удалено: " << name << '\n';
    }
    return CheckPassed(result) ? 0 : 1;
}

TReportHelp ReportCommandHelp(std::string_view command)
{
    if (command == "preview") {
        return {"Использование: zarvik-cli preview ПРОЕКТ [--page АДРЕС] [--no-browser]\n", R"(
Выгружает сайт в папку просмотра этого проекта (доступную только владельцу)
так же, как export, но не трогает папку выгрузки и файл проекта, не предлагает
распределить ссылки и берёт тексты страниц, какие есть. Открывает страницу в
браузере по умолчанию и печатает путь к ней. У каждого проекта одна папка
просмотра, $XDG_CACHE_HOME/zarvik/preview/ИМЯ (или ~/.cache/zarvik/preview/ИМЯ):
каждый запуск заменяет её содержимое, а после завершения команды она остаётся,
потому что браузер читает её позже.

  --page АДРЕС   открыть эту страницу (например page3.html), а не index.html
  --no-browser   только выгрузить и напечатать путь
)"};
    }
    if (command == "report") {
        return {"Использование: zarvik-cli report ПРОЕКТ [--tsv]\n", R"(
Показывает, куда ушли ссылки последнего распределения, по текстам страниц:
номер страницы, адрес, слово, ссылку и число замен через табуляцию (0 — слова
нет в тексте, ссылка всё равно израсходована; «?» — слово не определить).
Затем — ссылки, которые не розданы, и замечания: слово заменено внутри более
длинного слова или внутри адреса ссылки, поставленной раньше; пустая или
повторная ссылка; ссылка с табуляцией; текст страницы изменён после
распределения.

  --tsv   вывести только таблицу с заголовком, как «Сохранить как TSV»
)"};
    }
    if (command == "check") {
        return {"Использование: zarvik-cli check ПРОЕКТ [--out ПАПКА] [--json] [--prune [--yes]]\n", R"(
Проверяет проект и папку выгрузки, ничего не меняя, и выводит по строке на
каждую находку: пустые и повторные адреса страниц; адреса в несуществующей
подпапке; адреса, которые выгрузка не запишет (абсолютные, с «..», с частью,
начинающейся с точки); ошибки шаблона (нет SiteGeneratorChange.MainText,
похожее на заполнитель слово с опечаткой, нет объявления кодировки при
страницах в Windows-1251); ссылки меню, постраничного меню и текстов на
несуществующие страницы; страницы без собранного текста; лишние .html в папке
выгрузки; выгрузку больше 200 МБ. Находка, которая лишь совет (нет
объявления кодировки: его добавляет set --add-charset), помечена «совет:».
Код завершения 0 — ничего не найдено или одни советы, 1 — есть другие
находки.

  --out ПАПКА   проверить эту папку выгрузки, а не папку проекта
  --json        вывести находки и оценку объёма выгрузки одним объектом JSON
  --prune       удалить лишние страницы, которые записала выгрузка и с тех пор
                никто не менял (по записи .zarvik-export.json в папке; без неё
                ничего не удаляется); список и папка выводятся в вопросе, без
                терминала ответ — «нет»
  --yes         с --prune: удалить без вопроса
)"};
    }
    return {};
}

} // namespace zarvik
