#include "cli/PublishCommand.h"

#include "app/ExportRecord.h"
#include "app/FileAccess.h"
#include "app/ProjectDefaults.h"
#include "app/ProjectFiles.h"
#include "app/ProjectSettings.h"
#include "app/PublishTransport.h"
#include "app/Publisher.h"
#include "app/SecretStore.h"
#include "app/SiteFiles.h"
#include "app/TextEncoding.h"
#include "cli/StderrPrompter.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <istream>
#include <ostream>
#include <termios.h>
#include <unistd.h>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view PasswordVariable = "ZARVIK_PUBLISH_PASSWORD";

std::string Lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return text;
}

[[noreturn]] void Stop(const std::string &utf8)
{
    throw EError(Utf8ToCp1251(utf8));
}

std::string AbsolutePath(const std::string &path)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(path), ec);
    return ec ? path : absolute.lexically_normal().string();
}

// The first line of the file, without its line break: the password and nothing else.
std::string ReadPasswordFile(const std::string &path)
{
    std::string bytes = ReadFileBytes(path);
    const std::size_t end = bytes.find_first_of("\r\n");
    if (end != std::string::npos)
        bytes.resize(end);
    return bytes;
}

// Reads a line from the terminal with its echo off.
std::string AskPassword(const TPublishTarget &target, std::istream &in, std::ostream &err)
{
    err << "Пароль для " << target.User << "@" << target.Host << ": " << std::flush;
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string password;
    std::getline(in, password);
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    err << "\n";
    return password;
}

struct TPassword
{
    std::string Text;
    // Where it came from, for --save-password: the Secret Service need not be told again.
    bool FromSecretService = false;
};

TPassword FindPassword(const TParsedArguments &args, const TPublishTarget &target, std::istream &in,
                       std::ostream &err, bool interactive)
{
    if (args.Has("password-file"))
        return {ReadPasswordFile(args.Value("password-file"))};
    if (const char *value = std::getenv(std::string(PasswordVariable).c_str());
        value != nullptr && *value != '\0')
        return {value};
    if (std::optional<std::string> stored = LookupPublishPassword(target))
        return {std::move(*stored), true};
    // A key without a passphrase needs no password.
    if (!target.SshKey.empty())
        return {};
    if (!interactive)
        Stop("Нет пароля для " + target.User + "@" + target.Host + ": укажите --password-file, переменную " +
             std::string(PasswordVariable) +
             ", сохраните его в хранилище паролей или запустите команду в терминале");
    return {AskPassword(target, in, err)};
}

std::optional<int> ParseMaxDeletes(const TParsedArguments &args)
{
    if (!args.Has("max-deletes"))
        return std::nullopt;
    const std::string text = args.Value("max-deletes");
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        throw EUsage("--max-deletes ждёт неотрицательное целое число, а не «" + text + "»");
    return value;
}

// Exports into the folder the way export does (only changed files are written) and returns the
// folder as a file-system path.
std::string ExportBeforePublish(const TParsedArguments &args, TStderrPrompter &prompter)
{
    const std::string &project = args.Positionals.front();
    auto generator = std::make_unique<TSiteGenerator>();
    ApplyNewProjectSettings(*generator);
    LoadProject(project, *generator);
    const TSettingsLoad settings = LoadProjectSettings(project);
    generator->SetProjectFilePath(Utf8ToCp1251(AbsolutePath(project)));
    TExportRecordLedger ledger(false);
    const bool out = args.Has("out");
    const TExportCounts counts = out ? generator->ExportSite(ImportText(args.Value("out")), prompter, &ledger)
                                     : generator->SiteImport(prompter, &ledger);
    if (prompter.ErrorShown())
        Stop("Выгрузка не удалась: публиковать нечего");
    if (counts.Written > 0)
        prompter.ask(MessageKind::Information,
                     Utf8ToCp1251("Выгружено перед публикацией файлов: " + std::to_string(counts.Written)),
                     Buttons::Ok);
    PublishSiteFiles(*generator, settings.Settings, prompter,
                     out ? std::optional(ImportText(args.Value("out"))) : std::nullopt);
    return out ? AbsolutePath(args.Value("out")) : Cp1251ToUtf8(generator->SavePath());
}

} // namespace

std::vector<TOptionRule> TargetOptionRules()
{
    return {{"publish-target", true},
            {"passive", true},
            {"tls-max", true},
            {"trust-fingerprint", true},
            {"ssh-key", true}};
}

TTargetOptions ParseTargetOptions(const TParsedArguments &args)
{
    TTargetOptions options;
    if (args.Has("publish-target"))
        options.Target = ParseTargetAddress(args.Value("publish-target"));
    if (args.Has("passive")) {
        const std::string word = Lower(args.Value("passive"));
        if (word != "on" && word != "off")
            throw EUsage("--passive принимает значения on или off, а не «" + args.Value("passive") + "»");
        options.Passive = word == "on";
    }
    if (args.Has("tls-max")) {
        const std::string value = args.Value("tls-max");
        if (value != "1.2" && value != "1.3")
            throw EUsage("--tls-max принимает значения 1.2 или 1.3, а не «" + value + "»");
        options.TlsMax12 = value == "1.2";
    }
    if (args.Has("trust-fingerprint")) {
        const std::optional<std::string> pin = NormalizeFingerprint(args.Value("trust-fingerprint"));
        if (!pin)
            throw EUsage("--trust-fingerprint ждёт отпечаток вида SHA256:…, а не «" +
                         args.Value("trust-fingerprint") + "»");
        options.Fingerprint = *pin;
    }
    if (args.Has("ssh-key"))
        options.SshKey = args.Value("ssh-key").empty() ? std::string() : AbsolutePath(args.Value("ssh-key"));
    return options;
}

void ApplyTargetOptions(const TTargetOptions &options, TProjectSettings &settings)
{
    std::optional<TPublishTarget> target = settings.PublishTarget();
    if (options.Target) {
        TPublishTarget fresh = *options.Target;
        if (target)
            KeepSettingsOf(fresh, *target);
        target = fresh;
    }
    if (!target)
        throw EUsage("сначала укажите адрес публикации (--publish-target)");
    if (options.Passive)
        target->Passive = *options.Passive;
    if (options.TlsMax12)
        target->TlsMax12 = *options.TlsMax12;
    if (options.Fingerprint)
        target->Fingerprint = *options.Fingerprint;
    if (options.SshKey)
        target->SshKey = *options.SshKey;
    settings.SetPublishTarget(target);
}

int RunPublishCommand(const TParsedArguments &args, std::istream &in, std::ostream &out, std::ostream &err,
                      TStderrPrompter &prompter)
{
    const std::optional<int> maxDeletes = ParseMaxDeletes(args);
    const std::string &project = args.Positionals.front();
    const TSettingsLoad settings = LoadProjectSettings(project);
    if (settings.Warning)
        throw EError(*settings.Warning);
    if (!settings.Settings.PublishTarget())
        Stop("У проекта не задан адрес публикации: zarvik-cli set ПРОЕКТ --publish-target "
             "ftps://ПОЛЬЗОВАТЕЛЬ@СЕРВЕР/ПАПКА");
    const TPublishTarget target = *settings.Settings.PublishTarget();
    const std::string address = TargetAddress(target);
    const bool yes = args.Has("yes");

    if (target.Protocol == TPublishProtocol::Ftp && !args.Has("dry-run")) {
        prompter.SetQuestionAnswer(yes ? std::optional(true) : std::nullopt);
        if (prompter.ask(MessageKind::Warning,
                         Utf8ToCp1251("FTP без шифрования передаёт пароль и файлы открытым текстом: их может "
                                      "прочитать любой на пути до сервера. Продолжить?"),
                         Buttons::YesNo) != Answer::Yes)
            return 1;
    }
    prompter.SetQuestionAnswer(std::nullopt);

    const std::string folder = ExportBeforePublish(args, prompter);
    const std::optional<TExportRecord> record = LoadPublishedFiles(folder);
    if (!record)
        Stop("В папке \"" + folder + "\" нет записи о выгрузке: выгрузите сайт ещё раз (export --full)");

    TPassword password = FindPassword(args, target, in, err, prompter.Interactive());
    std::unique_ptr<TRemoteFolder> remote = ConnectRemoteFolder(target, password.Text);

    TRemoteState state = ReadRemoteState(folder, address, *remote);
    switch (state.Source) {
    case TRemoteState::TSource::Journal:
        out << "Продолжение прерванной публикации.\n";
        break;
    case TRemoteState::TSource::Broken:
        prompter.ask(MessageKind::Warning,
                     Utf8ToCp1251("Список загруженных файлов на сервере повреждён: все файлы будут "
                                  "загружены заново, ни один файл не будет удалён"),
                     Buttons::Ok);
        break;
    case TRemoteState::TSource::None:
        if (!args.Has("full"))
            out << "На сервере нет списка загруженных файлов: все файлы будут загружены.\n";
        break;
    case TRemoteState::TSource::Manifest:
        break;
    }
    TManifest known = std::move(state.Files);
    if (args.Has("verify"))
        known = CheckRemoteSizes(known, *remote);

    const TPublishPlan plan = PlanPublish(*record, known, args.Has("full"));
    out << DescribePlan(plan);
    if (args.Has("dry-run"))
        return 0;
    if (plan.Empty()) {
        out << "Сервер уже в порядке: отправлять нечего.\n";
        if (state.Source != TRemoteState::TSource::Journal)
            return 0;
    }
    const int cap = maxDeletes.value_or(DefaultMaxDeletes);
    if (static_cast<int>(plan.Deletes.size()) > cap) {
        prompter.SetQuestionAnswer(yes ? std::optional(true) : std::nullopt);
        const Answer answer = prompter.ask(
            MessageKind::Warning,
            Utf8ToCp1251("Публикация удалит на сервере файлов: " + std::to_string(plan.Deletes.size()) +
                         ", больше предела " + std::to_string(cap) + ". Удалить их?"),
            Buttons::YesNo);
        prompter.SetQuestionAnswer(std::nullopt);
        if (answer != Answer::Yes)
            return 1;
    }

    TPublishProgress progress;
    progress.Note = [&](const std::string &note) { prompter.ask(MessageKind::Warning, note, Buttons::Ok); };
    if (prompter.Interactive()) {
        progress.FileStarted = [&](std::size_t index, std::size_t count, const std::string &name,
                                   std::uint64_t) {
            out << index << "/" << count << " " << name << "\n" << std::flush;
        };
    }
    const TPublishReport report = RunPublish(plan, known, folder, address, *remote, progress);
    out << DescribeReport(report) << "\n";
    if (report.Failure) {
        prompter.ShowError(*report.Failure +
                           Utf8ToCp1251(". Запустите публикацию снова: она продолжится с этого места"));
        return 1;
    }
    if (args.Has("save-password") && !password.FromSecretService && !password.Text.empty()) {
        if (!StorePublishPassword(target, password.Text))
            prompter.ask(
                MessageKind::Warning,
                Utf8ToCp1251("Хранилище паролей недоступно: пароль не сохранён и будет спрошен снова"),
                Buttons::Ok);
    }
    return 0;
}

TArgumentRules PublishArgumentRules()
{
    return {{{"out", true},
             {"dry-run"},
             {"yes"},
             {"full"},
             {"verify"},
             {"max-deletes", true},
             {"password-file", true},
             {"save-password"}},
            false,
            false};
}

TReportHelp PublishCommandHelp(std::string_view command)
{
    if (command != "publish")
        return {};
    return {"Использование: zarvik-cli publish ПРОЕКТ [--dry-run] [--yes] [--full] [--verify]\n"
            "                          [--max-deletes N] [--password-file ФАЙЛ] [--save-password]\n"
            "                          [--out ПАПКА]\n",
            R"(
Выгружает сайт (только изменившиеся файлы) и отправляет на сервер, заданный
set --publish-target, то, что изменилось с прошлой публикации: новые страницы,
изменённые страницы, style.css, index.html, затем удаляет страницы, которых в
сайте больше нет. Удаляются только файлы, которые загрузил Zarvik. Каждый файл
сначала загружается под временным именем, его размер на сервере проверяется,
и только потом он получает своё имя. Прерванная публикация при следующем
запуске продолжается с того же места.

Параметры:
  --dry-run          показать, что будет загружено, заменено и удалено, и
                     ничего не отправлять
  --yes              отвечать «да» на предупреждение о FTP без шифрования и
                     на вопрос о превышении предела удалений (новый отпечаток
                     сервера так не подтверждается: для него есть
                     set --trust-fingerprint)
  --full             загрузить все файлы сайта заново
  --verify           сверить размеры файлов на сервере со списком загруженных
                     и загрузить заново те, что не совпали или пропали
  --max-deletes N    сколько файлов удалять без вопроса (по умолчанию 50)
  --password-file ФАЙЛ  взять пароль из первой строки файла
  --save-password    сохранить пароль в хранилище паролей рабочего стола
  --out ПАПКА        папка выгрузки вместо папки проекта

Пароль берётся из --password-file, иначе из переменной окружения
ZARVIK_PUBLISH_PASSWORD, иначе из хранилища паролей рабочего стола, иначе
спрашивается в терминале. В файлы и на экран он не выводится.

Код выхода: 0 публикация завершена, 1 ошибка (повтор продолжит с того же
места), 2 неверные параметры.
)"};
}

} // namespace zarvik
