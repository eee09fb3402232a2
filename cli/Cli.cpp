#include "cli/Cli.h"

#include "app/BrowserLauncher.h"
#include "app/CharsetDeclaration.h"
#include "app/ErrorDisplay.h"
#include "app/ExportRecord.h"
#include "app/FileAccess.h"
#include "app/Gallery.h"
#include "app/IntegerConversion.h"
#include "app/ProjectDefaults.h"
#include "app/ProjectFiles.h"
#include "app/ProjectSettings.h"
#include "app/SafeSave.h"
#include "app/SiteAddress.h"
#include "app/SiteFiles.h"
#include "app/SiteSearch.h"
#include "app/TextFiles.h"
#include "cli/Arguments.h"
#include "cli/HelpTexts.h"
#include "cli/ProjectReport.h"
#include "cli/PublishCommand.h"
#include "cli/ReportCommands.h"
#include "cli/ServeCommand.h"
#include "cli/StderrPrompter.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/SplitPreview.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <functional>
#include <istream>
#include <memory>
#include <new>
#include <optional>
#include <ostream>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

// The settings the command line can change, in the order the project window pushes them.
constexpr std::array<std::string_view, 8> SettingKeys = {
    "MinCharsPerPage", "MaxCharsPerPage", "MaxLinksPerPage", "SiteTitle",
    "SavePath",        "UseDigg",         "DiggValue",       "MenuWord",
};

// The path made absolute, so that the export can recognise the project file under any spelling.
std::string AbsolutePath(const std::string &path)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(path), ec);
    return ec ? path : absolute.lexically_normal().string();
}

struct TContext
{
    std::istream &In;
    std::ostream &Out;
    std::ostream &Err;
    TStderrPrompter Prompter;
};

// Settings checked and converted before anything is changed.
struct TSettings
{
    std::optional<std::int32_t> MinCharsPerPage;
    std::optional<std::int32_t> MaxCharsPerPage;
    std::optional<std::int32_t> MaxLinksPerPage;
    std::optional<std::string> SiteTitle;
    std::optional<std::string> SavePath;
    std::optional<bool> UseDigg;
    std::optional<std::string> DiggValue;
    std::optional<std::string> MenuWord;
};

// Text from the command line (UTF-8) as engine text, by the rule for typed text.
std::string EngineText(const std::string &arg)
{
    return ImportText(arg);
}

std::string AsciiLower(std::string text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Checks the keys and Boolean values (wrong usage) and converts the numbers; a number that is
// not valid is reported as the settings field reports it. Returns nothing when a number failed.
std::optional<TSettings> ConvertSettings(const std::vector<std::pair<std::string, std::string>> &pairs,
                                         TStderrPrompter &prompter)
{
    std::vector<std::string_view> seen;
    for (const auto &[key, value] : pairs) {
        if (std::find(SettingKeys.begin(), SettingKeys.end(), key) == SettingKeys.end())
            throw EUsage("неизвестный ключ «" + key + "»");
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            throw EUsage("ключ «" + key + "» указан дважды");
        seen.push_back(key);
    }

    TSettings settings;
    bool numbersValid = true;
    auto number = [&](const std::string &value, std::optional<std::int32_t> &target) {
        try {
            target = StrToInt(EngineText(value));
        } catch (const EError &e) {
            prompter.ShowError(e.Message());
            numbersValid = false;
        }
    };
    for (const auto &[key, value] : pairs) {
        if (key == "MinCharsPerPage") {
            number(value, settings.MinCharsPerPage);
        } else if (key == "MaxCharsPerPage") {
            number(value, settings.MaxCharsPerPage);
        } else if (key == "MaxLinksPerPage") {
            number(value, settings.MaxLinksPerPage);
        } else if (key == "SiteTitle") {
            settings.SiteTitle = EngineText(value);
        } else if (key == "SavePath") {
            settings.SavePath = EngineText(value);
        } else if (key == "UseDigg") {
            const std::string word = AsciiLower(value);
            if (word != "true" && word != "false")
                throw EUsage("UseDigg принимает значения true или false, а не «" + value + "»");
            settings.UseDigg = word == "true";
        } else if (key == "DiggValue") {
            settings.DiggValue = EngineText(value);
        } else if (key == "MenuWord") {
            settings.MenuWord = EngineText(value);
        }
    }
    if (!numbersValid)
        return std::nullopt;
    return settings;
}

void ApplySettings(const TSettings &settings, TSiteGenerator &generator)
{
    if (settings.MinCharsPerPage)
        generator.SetMinCharsPerPage(*settings.MinCharsPerPage);
    if (settings.MaxCharsPerPage)
        generator.SetMaxCharsPerPage(*settings.MaxCharsPerPage);
    if (settings.MaxLinksPerPage)
        generator.SetMaxLinksPerPage(*settings.MaxLinksPerPage);
    if (settings.SiteTitle)
        generator.SetSiteTitle(*settings.SiteTitle);
    if (settings.SavePath)
        generator.SetSavePath(*settings.SavePath);
    if (settings.UseDigg)
        generator.SetUseDigg(*settings.UseDigg);
    if (settings.DiggValue)
        generator.SetDiggValue(*settings.DiggValue);
    if (settings.MenuWord)
        generator.SetMenuWord(*settings.MenuWord);
}

// The texts that the template, style sheet and ad block editors and the link list would hold
// after loading the files named on the command line. Everything is read before anything
// changes, so a missing file leaves the project as it was.
struct TEditorFiles
{
    std::optional<std::string> Template;
    std::optional<std::string> Css;
    std::optional<std::string> AdBlock;
    std::optional<TStringList> Links;
};

void CheckLinkOptions(const TParsedArguments &args)
{
    if (args.Has("links") && args.Has("links-tsv"))
        throw EUsage("укажите либо --links, либо --links-tsv");
}

// How the command's text files are read: --encoding (the usual rule without it); a file that
// detection converted is named in a warning.
TTextReadOptions TextReadOptions(const TParsedArguments &args, TStderrPrompter &prompter)
{
    TTextReadOptions options;
    if (args.Has("encoding")) {
        const auto encoding = ParseTextEncoding(args.Value("encoding"));
        if (!encoding)
            throw EUsage("--encoding принимает значения auto, cp1251, utf-8, koi8-r, cp866, iso-8859-5 или "
                         "utf-16, а не «" +
                         args.Value("encoding") + "»");
        options.Encoding = *encoding;
    }
    if (options.Encoding == TTextEncoding::Auto) {
        options.OnConverted = [&prompter](const std::string &path, const TDecodedText &text) {
            prompter.ask(MessageKind::Warning,
                         Utf8ToCp1251("Файл \"") + MessagePath(path) +
                             Utf8ToCp1251("\" прочитан в кодировке " +
                                          std::string(TextEncodingName(text.ReadAs)) +
                                          " и перекодирован в Windows-1251"),
                         Buttons::Ok);
        };
    }
    return options;
}

TEditorFiles ReadEditorFiles(const TParsedArguments &args, const TTextReadOptions &options)
{
    TEditorFiles files;
    if (args.Has("gallery")) {
        if (args.Has("template") || args.Has("css"))
            throw EUsage("--gallery задаёт шаблон и стиль сам и не сочетается с --template и --css");
        TGalleryTexts texts = ReadGalleryTexts(FindGalleryEntry(GalleryFolder(), args.Value("gallery")));
        files.Template = std::move(texts.Template);
        files.Css = std::move(texts.Style);
    }
    if (args.Has("template"))
        files.Template = ReadEditorTextFile(args.Value("template"), options);
    if (args.Has("css"))
        files.Css = ReadEditorTextFile(args.Value("css"), options);
    if (args.Has("ad"))
        files.AdBlock = ReadEditorTextFile(args.Value("ad"), options);
    if (args.Has("links"))
        files.Links = ImportLinksTxt(args.Value("links"), options);
    if (args.Has("links-tsv"))
        files.Links = ImportLinksTsv(args.Value("links-tsv"), options);
    return files;
}

void ApplyEditorFiles(const TEditorFiles &files, TSiteGenerator &generator)
{
    if (files.Template)
        generator.SetSiteTemplate(*files.Template);
    if (files.Css)
        generator.SetCssCode(*files.Css);
    if (files.AdBlock)
        generator.SetAdsenseCode(*files.AdBlock);
    if (files.Links)
        generator.SetSiteUrlsToLink(*files.Links);
}

std::optional<std::uint64_t> ParseSeed(const TParsedArguments &args)
{
    if (!args.Has("seed"))
        return std::nullopt;
    const std::string text = args.Value("seed");
    std::uint64_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw EUsage("--seed ждёт неотрицательное целое число, а не «" + text + "»");
    return seed;
}

void UseSeed(const std::optional<std::uint64_t> &seed, TSiteGenerator &generator)
{
    if (seed)
        generator.SetRandomSource(std::make_unique<TSeededRandom>(*seed));
}

// A project opened as the desktop program opens it: into a fresh generator holding a new
// window's settings, so that what the file does not store keeps the window's default.
std::unique_ptr<TSiteGenerator> OpenProject(const std::string &path)
{
    auto generator = std::make_unique<TSiteGenerator>();
    ApplyNewProjectSettings(*generator);
    LoadProject(path, *generator);
    return generator;
}

// Saving pushes the window's controls first, which marks the project changed; the file
// therefore always stores "Changed = True".
void Save(const std::string &path, TSiteGenerator &generator)
{
    generator.SetChanged(true);
    SaveProject(path, generator);
    generator.SetChanged(false);
}

const std::string &Project(const TParsedArguments &args)
{
    return args.Positionals.front();
}

// The publishing settings the command line gives (--base-url, --sitemap, --robots), checked
// before anything is changed.
struct TPublishingOptions
{
    std::optional<std::string> BaseUrl;
    std::optional<bool> Sitemap;
    std::optional<bool> Robots;

    bool Any() const { return BaseUrl || Sitemap || Robots; }
};

std::optional<bool> ParseOnOff(const TParsedArguments &args, std::string_view option)
{
    if (!args.Has(option))
        return std::nullopt;
    const std::string word = AsciiLower(args.Value(option));
    if (word == "on")
        return true;
    if (word == "off")
        return false;
    throw EUsage("--" + std::string(option) + " принимает значения on или off, а не «" + args.Value(option) +
                 "»");
}

TPublishingOptions ParsePublishingOptions(const TParsedArguments &args)
{
    TPublishingOptions options;
    if (args.Has("base-url")) {
        options.BaseUrl = args.Value("base-url");
        if (!options.BaseUrl->empty()) {
            if (const std::optional<std::string> problem = BaseUrlProblem(*options.BaseUrl))
                throw EError(*problem);
        }
    }
    options.Sitemap = ParseOnOff(args, "sitemap");
    options.Robots = ParseOnOff(args, "robots");
    return options;
}

void ApplyPublishingOptions(const TPublishingOptions &options, TProjectSettings &settings)
{
    if (options.BaseUrl)
        settings.SetBaseUrl(*options.BaseUrl);
    if (options.Sitemap)
        settings.SetSitemap(*options.Sitemap);
    if (options.Robots)
        settings.SetRobots(*options.Robots);
}

// The settings file beside the project; a broken one is named in a warning and leaves every
// setting off.
TProjectSettings OpenProjectSettings(const std::string &projectPath, TContext &context)
{
    TSettingsLoad load = LoadProjectSettings(projectPath);
    if (load.Warning)
        context.Prompter.ask(MessageKind::Warning, *load.Warning, Buttons::Ok);
    return std::move(load.Settings);
}

// sitemap.xml and robots.txt after an export that reported no error.
void PublishAfterExport(const TSiteGenerator &generator, const TProjectSettings &settings,
                        const std::optional<std::string> &folder, TContext &context)
{
    if (!context.Prompter.ErrorShown())
        PublishSiteFiles(generator, settings, context.Prompter, folder);
}

int RunNew(const TParsedArguments &args, TContext &)
{
    const std::string path = WithProjectExtension(Project(args));
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec)) && !args.Has("force")) {
        throw EError(Utf8ToCp1251("Файл \"") + MessagePath(path) +
                     Utf8ToCp1251("\" уже существует. Чтобы перезаписать его, укажите --force"));
    }
    TSiteGenerator generator;
    ApplyNewProjectDefaults(generator);
    Save(path, generator);
    return 0;
}

// --add-charset: the declaration goes into the template's <head>, once. Throws EError, before
// anything is saved, for a template without <head>.
void AddCharsetDeclaration(TSiteGenerator &generator, TContext &context)
{
    const TCharsetFixPlan plan = PlanCharsetFix(generator.SiteTemplate());
    switch (plan.Fix) {
    case TCharsetFix::Insert:
        generator.SetSiteTemplate(WithCharsetDeclaration(generator.SiteTemplate()));
        break;
    case TCharsetFix::AlreadyDeclared:
        context.Out << "Кодировка в шаблоне уже объявлена: шаблон не изменён.\n";
        break;
    case TCharsetFix::NoHead:
        throw EError(Utf8ToCp1251("В шаблоне нет тега <head>: объявление кодировки некуда добавить"));
    }
}

int RunSet(const TParsedArguments &args, TContext &context)
{
    CheckLinkOptions(args);
    const TTextReadOptions reading = TextReadOptions(args, context.Prompter);
    const std::optional<TSettings> settings = ConvertSettings(args.Settings, context.Prompter);
    if (!settings)
        return 1;
    const TPublishingOptions publishing = ParsePublishingOptions(args);
    const TTargetOptions target = ParseTargetOptions(args);
    const TEditorFiles files = ReadEditorFiles(args, reading);
    auto generator = OpenProject(Project(args));
    ApplySettings(*settings, *generator);
    ApplyEditorFiles(files, *generator);
    if (args.Has("add-charset"))
        AddCharsetDeclaration(*generator, context);
    std::optional<TProjectSettings> projectSettings;
    if (publishing.Any() || target.Any()) {
        projectSettings = OpenProjectSettings(Project(args), context);
        ApplyPublishingOptions(publishing, *projectSettings);
        if (target.Any())
            ApplyTargetOptions(target, *projectSettings);
    }
    Save(Project(args), *generator);
    if (projectSettings)
        SaveProjectSettings(Project(args), *projectSettings);
    return 0;
}

// The pages the split would make, one tab-separated line each, and the warnings of the preview.
void WriteSplitPreview(const TSiteGenerator &generator, const std::string &text, TContext &context)
{
    const std::vector<TPreviewPage> pages = PreviewContent(generator, text);
    context.Out << "N\tURL\tTITLE\tLENGTH\tEND\tPOSITION\n";
    int index = generator.Pages().Count();
    for (const TPreviewPage &page : pages) {
        context.Out << index++ << '\t' << Cp1251ToUtf8(page.Url) << '\t' << Cp1251ToUtf8(page.Title) << '\t'
                    << page.Piece.Length << '\t' << PageEndName(page.Piece.End) << '\t' << page.Piece.Cut + 1
                    << '\n';
    }
    const TSplitWarnings warnings = SplitWarningsOf(text, SplitSettingsOf(generator), pages);
    if (warnings.MarkerAtEndIgnored)
        context.Err << "warning: Разрыв страницы в самом конце текста не режет: он останется в тексте "
                       "последней страницы.\n";
    if (warnings.OnlyHardCuts)
        context.Err << "warning: Между минимальной и максимальной длиной нет места для конца предложения: "
                       "страницы режутся только по длине.\n";
    if (warnings.MidWordCuts > 0)
        context.Err << "warning: Страниц, разрезанных посреди слова: " << warnings.MidWordCuts << ".\n";
}

int RunAddContent(const TParsedArguments &args, TContext &context)
{
    const TTextReadOptions reading = TextReadOptions(args, context.Prompter);
    auto generator = OpenProject(Project(args));
    const std::vector<std::string> files(args.Positionals.begin() + 1, args.Positionals.end());
    const std::string text = JoinContentFiles(files, generator->DiggValue(), reading);
    if (args.Has("dry-run")) {
        WriteSplitPreview(*generator, text, context);
        return 0;
    }
    generator->AddContent(text);
    Save(Project(args), *generator);
    return 0;
}

int RunAddPage(const TParsedArguments &args, TContext &context)
{
    const TTextReadOptions reading = TextReadOptions(args, context.Prompter);
    auto generator = OpenProject(Project(args));
    std::string text;
    if (args.Has("text-file"))
        text = ReadEditorTextFile(args.Value("text-file"), reading);
    generator->CreateNewPage(generator->NewPageTitle(generator->Pages().Count()), std::move(text));
    Save(Project(args), *generator);
    return 0;
}

int RunDistributeLinks(const TParsedArguments &args, TContext &context)
{
    const auto seed = ParseSeed(args);
    auto generator = OpenProject(Project(args));
    UseSeed(seed, *generator);
    generator->SetLinks(context.Prompter);
    // A run stopped by its checks changed nothing, so the file is left alone.
    if (generator->LinksWasSetted())
        Save(Project(args), *generator);
    return 0;
}

std::optional<bool> ParseYesNo(const TParsedArguments &args, std::string_view option)
{
    if (!args.Has(option))
        return std::nullopt;
    const std::string word = AsciiLower(args.Value(option));
    if (word == "yes")
        return true;
    if (word == "no")
        return false;
    throw EUsage("--" + std::string(option) + " принимает значения yes или no, а не «" + args.Value(option) +
                 "»");
}

// The line after the export's own messages: how many files were written and how many left as
// they were.
void ReportCounts(const TExportCounts &counts, TContext &context)
{
    if (counts.Stopped) {
        throw EError(Utf8ToCp1251("Сайт не выгружен: файлы, которые Zarvik не создавал, не заменены. "
                                  "Чтобы заменить их, укажите --overwrite"));
    }
    if (counts.Written + counts.Unchanged == 0)
        return;
    context.Err << "information: Записано файлов: " << counts.Written
                << ", без изменений: " << counts.Unchanged << "\n";
}

int RunExport(const TParsedArguments &args, TContext &context)
{
    const auto seed = ParseSeed(args);
    context.Prompter.SetQuestionAnswer(ParseYesNo(args, "distribute-links"));
    auto generator = OpenProject(Project(args));
    const TProjectSettings settings = OpenProjectSettings(Project(args), context);
    UseSeed(seed, *generator);
    generator->SetProjectFilePath(EngineText(AbsolutePath(Project(args))));
    // A folder typed with --out may be relative to the shell's folder; one stored in the project
    // file must be absolute, since the file may come from another machine.
    TExportRecordLedger ledger(args.Has("full"));
    ledger.SetReservedNames(SiteFileNames(settings));
    context.Prompter.SetReplaceAnswer(args.Has("overwrite"));
    const TExportCounts counts =
        args.Has("out") ? generator->ExportSite(EngineText(args.Value("out")), context.Prompter, &ledger)
                        : generator->SiteImport(context.Prompter, &ledger);
    ReportCounts(counts, context);
    PublishAfterExport(*generator, settings,
                       args.Has("out") ? std::optional(EngineText(args.Value("out"))) : std::nullopt,
                       context);
    if (args.Has("save"))
        Save(Project(args), *generator);
    return 0;
}

int RunShow(const TParsedArguments &args, TContext &context)
{
    const auto generator = OpenProject(Project(args));
    if (args.Has("json"))
        WriteProjectJson(*generator, OpenProjectSettings(Project(args), context), context.Out);
    else
        WriteProjectReport(*generator, context.Out);
    return 0;
}

int RunBuild(const TParsedArguments &args, TContext &context)
{
    for (const auto &[key, value] : args.Settings) {
        if (key == "SavePath")
            throw EUsage("папку выгрузки задаёт --out, ключ SavePath здесь не нужен");
    }
    if (!args.Has("content"))
        throw EUsage("не указаны файлы контента (--content)");
    if (!args.Has("out"))
        throw EUsage("не указана папка для выгрузки (--out)");
    CheckLinkOptions(args);
    const auto seed = ParseSeed(args);
    const TTextReadOptions reading = TextReadOptions(args, context.Prompter);
    const std::optional<TSettings> settings = ConvertSettings(args.Settings, context.Prompter);
    if (!settings)
        return 1;
    const TPublishingOptions publishing = ParsePublishingOptions(args);
    const TEditorFiles files = ReadEditorFiles(args, reading);
    TProjectSettings projectSettings;
    ApplyPublishingOptions(publishing, projectSettings);

    TSiteGenerator generator;
    ApplyNewProjectDefaults(generator);
    ApplySettings(*settings, generator);
    ApplyEditorFiles(files, generator);
    // The folder is stored in full, as the folder dialog gives it.
    std::error_code ec;
    const fs::path out = fs::absolute(fs::path(args.Value("out")), ec).lexically_normal();
    generator.SetSavePath(EngineText(out.string()));
    generator.AddContent(JoinContentFiles(args.Values("content"), generator.DiggValue(), reading));

    UseSeed(seed, generator);
    generator.SetLinks(context.Prompter);
    // The distribution has just been offered; if it stopped, the export goes on without it.
    context.Prompter.SetQuestionAnswer(false);
    if (args.Has("project"))
        generator.SetProjectFilePath(EngineText(AbsolutePath(WithProjectExtension(args.Value("project")))));
    TExportRecordLedger ledger(args.Has("full"));
    ledger.SetReservedNames(SiteFileNames(projectSettings));
    context.Prompter.SetReplaceAnswer(args.Has("overwrite"));
    ReportCounts(generator.SiteImport(context.Prompter, &ledger), context);
    PublishAfterExport(generator, projectSettings, std::nullopt, context);
    if (args.Has("project")) {
        Save(WithProjectExtension(args.Value("project")), generator);
        SaveProjectSettings(WithProjectExtension(args.Value("project")), projectSettings);
    }
    return 0;
}

// A field of the replace command's TSV: tabs, line ends and backslashes written as escapes.
std::string TsvField(std::string_view cp1251)
{
    std::string out;
    for (const char c : Cp1251ToUtf8(cp1251)) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

int RunReplace(const TParsedArguments &args, TContext &context)
{
    TSearchOptions options;
    options.Regex = args.Has("regex");
    options.WholeWord = args.Has("whole-word");
    options.CaseSensitive = args.Has("case");
    options.YoAsYe = args.Has("yo");
    options.Titles = args.Has("titles");
    options.Template = args.Has("template");
    options.Style = args.Has("css");
    options.AdBlock = args.Has("ad");
    const TSiteSearch search(args.Positionals[1], args.Positionals[2], options);
    auto generator = OpenProject(Project(args));
    const std::vector<TSearchHit> hits = search.FindAll(*generator);
    for (const TSearchHit &hit : hits) {
        const bool onPage = hit.Page >= 0;
        context.Out << (onPage ? std::to_string(hit.Page + 1) : std::string()) << '\t'
                    << (onPage ? TsvField(generator->Pages()[hit.Page].PageUrl())
                               : std::string(SearchAreaName(hit.Area)))
                    << '\t' << (hit.Area == TSearchArea::PageTitle ? 0 : hit.Line) << '\t' << hit.Column
                    << '\t' << TsvField(hit.Found) << '\t' << TsvField(hit.Replacement) << '\n';
    }
    if (args.Has("dry-run") || hits.empty())
        return 0;
    ApplyReplacements(*generator, hits);
    Save(Project(args), *generator);
    return 0;
}

int RunTemplates(const TParsedArguments &, TContext &context)
{
    const std::string folder = GalleryFolder();
    if (folder.empty())
        throw EError(Utf8ToCp1251("Галерея шаблонов не найдена"));
    for (const TGalleryEntry &entry : ListGallery(folder))
        context.Out << entry.Name << '\t' << entry.Title << '\t' << entry.Description << '\n';
    return 0;
}

int RunPreview(const TParsedArguments &args, TContext &context)
{
    TDesktopBrowserLauncher launcher;
    return RunPreviewCommand(args, context.Out, launcher);
}

int RunServe(const TParsedArguments &args, TContext &context)
{
    return RunServeCommand(args, context.Out, context.Err);
}

int RunReport(const TParsedArguments &args, TContext &context)
{
    return RunReportCommand(args, context.Out);
}

int RunCheck(const TParsedArguments &args, TContext &context)
{
    return RunCheckCommand(args, context.Out, context.Prompter);
}

int RunPublish(const TParsedArguments &args, TContext &context)
{
    return RunPublishCommand(args, context.In, context.Out, context.Err, context.Prompter);
}

TArgumentRules SetArgumentRules()
{
    TArgumentRules rules{{{"template", true},
                          {"css", true},
                          {"ad", true},
                          {"links", true},
                          {"links-tsv", true},
                          {"encoding", true},
                          {"add-charset"},
                          {"gallery", true},
                          {"base-url", true},
                          {"sitemap", true},
                          {"robots", true}},
                         true,
                         true};
    for (const TOptionRule &rule : TargetOptionRules())
        rules.Options.push_back(rule);
    return rules;
}

struct TCommand
{
    std::string_view Name;
    TArgumentRules Rules;
    // Plain arguments: the project first where there is one; -1 means no upper bound.
    int MinPositionals;
    int MaxPositionals;
    std::function<int(const TParsedArguments &, TContext &)> Run;
};

const std::vector<TCommand> &Commands()
{
    static const std::vector<TCommand> commands = {
        {"new", {{{"force"}}, false, false}, 1, 1, RunNew},
        {"set", SetArgumentRules(), 1, 1, RunSet},
        {"add-content", {{{"encoding", true}, {"dry-run"}}, false, false}, 2, -1, RunAddContent},
        {"add-page", {{{"text-file", true}, {"encoding", true}}, false, false}, 1, 1, RunAddPage},
        {"distribute-links", {{{"seed", true}}, false, false}, 1, 1, RunDistributeLinks},
        {"export",
         {{{"out", true}, {"distribute-links", true}, {"seed", true}, {"save"}, {"full"}, {"overwrite"}},
          false,
          false},
         1,
         1,
         RunExport},
        {"show", {{{"json"}}, false, false}, 1, 1, RunShow},
        {"templates", {{}, false, false}, 0, 0, RunTemplates},
        {"replace",
         {{{"regex"},
           {"whole-word"},
           {"case"},
           {"yo"},
           {"titles"},
           {"template"},
           {"css"},
           {"ad"},
           {"dry-run"}},
          false,
          false},
         3,
         3,
         RunReplace},
        {"preview", {{{"page", true}, {"no-browser"}}, false, false}, 1, 1, RunPreview},
        {"serve", {{{"port", true}}, false, false}, 1, 1, RunServe},
        {"report", {{{"tsv"}}, false, false}, 1, 1, RunReport},
        {"check", {{{"out", true}, {"json"}, {"prune"}, {"yes"}}, false, false}, 1, 1, RunCheck},
        {"publish", PublishArgumentRules(), 1, 1, RunPublish},
        {"build",
         {{{"content", true, true},
           {"out", true},
           {"links", true},
           {"links-tsv", true},
           {"template", true},
           {"css", true},
           {"ad", true},
           {"project", true},
           {"seed", true},
           {"encoding", true},
           {"full"},
           {"overwrite"},
           {"base-url", true},
           {"sitemap", true},
           {"robots", true}},
          true,
          false},
         0,
         0,
         RunBuild},
    };
    return commands;
}

int UsageError(std::ostream &err, const std::string &message, std::string_view command)
{
    err << "zarvik-cli: " << message << "\n\n" << UsageText(command) << "\n";
    return 2;
}

int RunCommand(const TCommand &command, const std::vector<std::string> &rest, TContext &context)
{
    const TParsedArguments args = ParseArguments(rest, command.Rules);
    if (args.Help) {
        context.Out << HelpText(command.Name);
        return 0;
    }
    const int count = static_cast<int>(args.Positionals.size());
    if (count < command.MinPositionals) {
        if (count == 0 && command.MinPositionals > 0)
            throw EUsage("не указан файл проекта");
        throw EUsage("не указаны файлы");
    }
    if (command.MaxPositionals >= 0 && count > command.MaxPositionals)
        throw EUsage("лишний аргумент «" +
                     args.Positionals[static_cast<std::size_t>(command.MaxPositionals)] + "»");
    // A project whose last save was interrupted is opened as it is, and the copy of its previous
    // version is named.
    if (command.Name != "new" && !args.Positionals.empty()) {
        const std::string &project = args.Positionals.front();
        if (const std::optional<std::string> copy = InterruptedSaveCopy(project))
            context.Err << "warning: Сохранение файла \"" << AbsolutePath(project)
                        << "\" было прервано; прежняя версия файла сохранена в \"" << *copy << "\"\n";
    }
    try {
        const int status = command.Run(args, context);
        return status != 0 ? status : (context.Prompter.ErrorShown() ? 1 : 0);
    } catch (const EError &e) {
        context.Prompter.ShowError(ErrorDisplayText(e.Message()));
        return 1;
    }
}

} // namespace

int runCli(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err,
           bool interactive)
{
    TContext context{in, out, err, TStderrPrompter(err, in, interactive)};
    if (args.empty())
        return UsageError(err, "не указана команда", {});
    const std::string &name = args.front();
    if (name == "--help" || name == "-h" || name == "help") {
        if (name == "help" && args.size() > 1)
            return runCli({args[1], "--help"}, in, out, err, interactive);
        out << HelpText({});
        return 0;
    }
    if (name == "--version") {
        out << "zarvik-cli " << ZARVIK_VERSION << "\n";
        return 0;
    }
    const auto &commands = Commands();
    const auto command =
        std::find_if(commands.begin(), commands.end(), [&](const TCommand &c) { return c.Name == name; });
    if (command == commands.end())
        return UsageError(err, "неизвестная команда «" + name + "»", {});
    try {
        const int status = RunCommand(*command, {args.begin() + 1, args.end()}, context);
        // A result that could not be written (a full disk, a closed pipe) is a failure too.
        if (!out.flush()) {
            context.Prompter.ShowError(Utf8ToCp1251("Не удалось вывести результат"));
            return 1;
        }
        return status;
    } catch (const EUsage &e) {
        return UsageError(err, e.what(), command->Name);
    } catch (const std::bad_alloc &) {
        context.Prompter.ShowError(ErrorDisplayText(OutOfMemoryMessage));
        return 1;
    } catch (const std::exception &e) {
        context.Prompter.ShowError(ErrorDisplayText(Utf8ToCp1251(e.what())));
        return 1;
    }
}

} // namespace zarvik
