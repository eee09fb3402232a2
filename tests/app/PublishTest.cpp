#include "app/ExportRecord.h"
#include "app/PublishTarget.h"
#include "app/PublishTransport.h"
#include "app/Publisher.h"
#include "engine/Cp1251.h"
#include "engine/Error.h"
#include "tests/app/TempDir.h"
#include "tests/app/TestServer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <openssl/evp.h>
#include <pwd.h>
#include <random>
#include <string>
#include <sys/stat.h>

namespace zarvik {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::TTempDir;
using test::TTestServer;

const std::string Servers = ZARVIK_TEST_SERVERS;
constexpr std::string_view Password = "pw-Zq81!x";

// An export folder with its record, as an export leaves it.
class TSite
{
public:
    std::string Folder() const { return FDir.Path().string(); }

    void Put(const std::string &name, const std::string &bytes)
    {
        FFiles[name] = bytes;
        fs::create_directories((FDir.Path() / name).parent_path());
        FDir.Write(name, bytes);
        Record();
    }
    void Drop(const std::string &name)
    {
        FFiles.erase(name);
        fs::remove(FDir.Path() / name);
        Record();
    }
    const std::map<std::string, std::string> &Files() const { return FFiles; }
    TExportRecord Exported() const { return *TExportRecord::Load(Folder()); }

private:
    void Record()
    {
        TExportRecord record;
        for (const auto &[name, bytes] : FFiles) {
            const std::string_view piece = bytes;
            const std::string sha = Sha256Hex(std::span(&piece, 1));
            record.Files[name] = {bytes.size(), sha, sha, 1, "2026-01-01"};
        }
        FDir.Write(std::string(ExportRecordName), record.Json());
    }

    TTempDir FDir;
    std::map<std::string, std::string> FFiles;
};

std::string Page(int n, std::size_t size = 3000)
{
    std::string text = "<html><body>page " + std::to_string(n) + " ";
    std::mt19937 random(static_cast<unsigned>(n));
    while (text.size() < size)
        text += static_cast<char>('a' + random() % 26);
    return text + "</body></html>";
}

// Every regular file under `root`, by its path relative to it.
std::map<std::string, std::string> Served(const fs::path &root)
{
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = ReadAll(entry.path().string());
    }
    return files;
}

// What a visitor of the served folder sees: the site's files, without the program's own.
std::map<std::string, std::string> Visible(const fs::path &root)
{
    std::map<std::string, std::string> files = Served(root);
    std::erase_if(files, [](const auto &file) {
        return file.first == ManifestName || file.first.ends_with(UploadSuffix);
    });
    return files;
}

// The wire form of the key in an OpenSSH public key file: the base64 in its second field.
std::string HostKeyBytes(const std::string &publicKeyFile)
{
    std::istringstream line(ReadAll(publicKeyFile));
    std::string type;
    std::string base64;
    line >> type >> base64;
    std::string bytes(base64.size(), '\0');
    const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char *>(bytes.data()),
                                       reinterpret_cast<const unsigned char *>(base64.data()),
                                       static_cast<int>(base64.size()));
    bytes.resize(static_cast<std::size_t>(length) - std::count(base64.begin(), base64.end(), '='));
    return bytes;
}

struct TRun
{
    TPublishPlan Plan;
    TPublishReport Report;
    TRemoteState::TSource Source;
};

// One publish as the commands run it: the known state, the plan, the run.
TRun Publish(const TSite &site, const TPublishTarget &target, const std::string &password,
             const TPublishProgress &progress = {}, bool full = false)
{
    auto remote = ConnectRemoteFolder(target, password, {5, 2});
    TRemoteState state = ReadRemoteState(site.Folder(), TargetAddress(target), *remote);
    TRun run;
    run.Source = state.Source;
    run.Plan = PlanPublish(site.Exported(), state.Files, full);
    run.Report =
        RunPublish(run.Plan, state.Files, site.Folder(), TargetAddress(target), *remote, progress, 1);
    return run;
}

std::vector<std::string> Names(const TPublishPlan &plan)
{
    std::vector<std::string> names;
    for (const TPlannedUpload &upload : plan.Uploads)
        names.push_back(upload.Name);
    return names;
}

TEST(PublishTarget, AddressesReadAndWrittenBack)
{
    const TPublishTarget ftps = ParseTargetAddress("ftps://anna@example.ru/www/site/");
    EXPECT_EQ(ftps.Protocol, TPublishProtocol::Ftps);
    EXPECT_EQ(ftps.User, "anna");
    EXPECT_EQ(ftps.Host, "example.ru");
    EXPECT_EQ(ftps.Port, 0);
    EXPECT_EQ(ftps.Folder, "www/site");
    EXPECT_EQ(TargetAddress(ftps), "ftps://anna@example.ru/www/site");

    for (const std::string address : {"sftp://a.b@[::1]:2222//srv/www", "ftps-implicit://u@h:991/",
                                      "ftp://u@h:2121/x", "sftp://u@h//abs"})
        EXPECT_EQ(TargetAddress(ParseTargetAddress(address)), address);
    // The usual port is not written.
    EXPECT_EQ(TargetAddress(ParseTargetAddress("SFTP://u@h:22/x")), "sftp://u@h/x");

    const std::vector<std::pair<std::string, std::string>> broken = {
        {"example.ru/www", "нужна схема ftps://, ftps-implicit://, sftp:// или ftp://"},
        {"http://u@h/", "схема \"http\" не поддерживается: ftps, ftps-implicit, sftp или ftp"},
        {"ftps://h/www", "не указано имя пользователя (USER@HOST)"},
        {"ftps://u:secret@h/", "пароль в адресе не хранится: уберите его после двоеточия"},
        {"ftps://u@/www", "не указан сервер"},
        {"ftps://u@h:0/", "порт должен быть числом от 1 до 65535"},
        {"ftps://u@h:70000/", "порт должен быть числом от 1 до 65535"},
        {"ftps://u@h:/", "порт должен быть числом от 1 до 65535"},
        {"ftps://u@[::1/", "не закрыта скобка адреса IPv6"},
    };
    for (const auto &[address, reason] : broken) {
        try {
            ParseTargetAddress(address);
            ADD_FAILURE() << address;
        } catch (const EError &e) {
            EXPECT_EQ(Cp1251ToUtf8(e.Message()),
                      "Адрес публикации \"" + address + "\" не подходит: " + reason);
        }
    }
}

TEST(PublishTarget, FingerprintsAsSshKeygenWritesThem)
{
    // ssh-keygen -lf prints this for the ed25519 key whose wire form is these bytes.
    EXPECT_EQ(FingerprintOf("abc"), "SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0");
    EXPECT_EQ(NormalizeFingerprint("SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0="),
              "SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0");
    EXPECT_EQ(NormalizeFingerprint("ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0"), std::nullopt);
    EXPECT_EQ(NormalizeFingerprint("SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa"), std::nullopt);
    EXPECT_EQ(NormalizeFingerprint("SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAF?0"), std::nullopt);
}

TEST(PublishPlan, PagesFirstThenStyleThenStartPageAndDeletesOnlyWhatTheManifestLists)
{
    TSite site;
    site.Put("index.html", "start v2");
    site.Put("style.css", "css v2");
    site.Put("b.html", "b v2");
    site.Put("a.html", "a v1");
    site.Put("new.html", "new");
    TManifest remote;
    const auto same = [&](const std::string &name) {
        const TExportedFile file = site.Exported().Files.at(name);
        return TRemoteFile{file.Size, file.Sha256};
    };
    remote.Files["a.html"] = same("a.html");
    remote.Files["b.html"] = {4, "old"};
    remote.Files["index.html"] = {8, "old"};
    remote.Files["style.css"] = {6, "old"};
    remote.Files["gone.html"] = {3, "old"};

    const TPublishPlan plan = PlanPublish(site.Exported(), remote, false);
    EXPECT_EQ(Names(plan), (std::vector<std::string>{"new.html", "b.html", "style.css", "index.html"}));
    EXPECT_EQ(plan.Deletes, std::vector<std::string>{"gone.html"});
    EXPECT_EQ(plan.Unchanged, 1u);
    EXPECT_EQ(DescribePlan(plan),
              "Загрузить\tnew.html\t3 Б\n"
              "Заменить\tb.html\t4 Б\nЗаменить\tstyle.css\t6 Б\nЗаменить\tindex.html\t8 Б\n"
              "Удалить\tgone.html\n"
              "Загрузить: 1 (3 Б), заменить: 3 (18 Б), удалить: 1, без изменений: 1\n");
    // A shortened list keeps its order and counts what it leaves out; the totals stay whole.
    EXPECT_EQ(DescribePlan(plan, 2),
              "Загрузить\tnew.html\t3 Б\nЗаменить\tb.html\t4 Б\n"
              "… и ещё файлов: 3\n"
              "Загрузить: 1 (3 Б), заменить: 3 (18 Б), удалить: 1, без изменений: 1\n");
    EXPECT_EQ(DescribePlan(plan, 5), DescribePlan(plan));

    const TPublishPlan full = PlanPublish(site.Exported(), remote, true);
    EXPECT_EQ(full.Uploads.size(), 5u);
    EXPECT_EQ(full.Unchanged, 0u);
}

TEST(PublishJournal, ALineCutShortByACrashIsNotTakenAsDone)
{
    TSite site;
    const std::string journal = site.Folder() + "/" + std::string(JournalName);
    TManifest start;
    start.Files["a.html"] = {1, "x"};
    start.Files["b.html"] = {1, "y"};
    std::ofstream(journal) << "zarvik-publish-journal 1\tftp://u@h/w\n"
                           << start.Json() << "\n"
                           << R"(["+","c.html",5,"z"])"
                           << "\n"
                           << R"(["-","a.html"])"
                           << "\n"
                           << R"(["+","d.ht)";
    const std::optional<TManifest> state = LoadJournal(site.Folder(), "ftp://u@h/w");
    ASSERT_TRUE(state);
    EXPECT_EQ(state->Files.size(), 2u);
    EXPECT_TRUE(state->Files.count("b.html"));
    EXPECT_EQ(state->Files.at("c.html"), (TRemoteFile{5, "z"}));
    // Another target's journal is not this one's.
    EXPECT_FALSE(LoadJournal(site.Folder(), "ftp://u@h/other"));
}

// A target on the pyftpdlib server in `root`.
TPublishTarget PlainTarget(const TTestServer &server)
{
    TPublishTarget target;
    target.Protocol = TPublishProtocol::Ftp;
    target.Host = "127.0.0.1";
    target.Port = server.Port();
    target.User = "anna";
    target.Folder = "www";
    return target;
}

TTestServer StartFtp(const TTempDir &root, std::vector<std::string> faults = {})
{
    std::vector<std::string> args = {Servers + "/ftp-server.py", root.Path().string(), "anna",
                                     std::string(Password)};
    args.insert(args.end(), faults.begin(), faults.end());
    return TTestServer(args);
}

// The publishes every server kind must get right: the whole site, nothing on a second run, one
// edited page alone, a deleted page's own file alone (a user's file stays).
void CheckPublishCycle(const TPublishTarget &target, const fs::path &served, const std::string &password)
{
    TSite site;
    for (int i = 1; i <= 5; ++i)
        site.Put("page" + std::to_string(i) + ".html", Page(i));
    site.Put("sub/deep.html", Page(9));
    site.Put("style.css", "body{}");
    site.Put("index.html", Page(0));

    const TRun first = Publish(site, target, password);
    ASSERT_TRUE(first.Report.Complete()) << Cp1251ToUtf8(first.Report.Failure.value_or(""));
    EXPECT_EQ(first.Source, TRemoteState::TSource::None);
    EXPECT_EQ(first.Report.Uploaded, 8u);
    EXPECT_EQ(Visible(served), site.Files());
    EXPECT_FALSE(fs::exists(site.Folder() + "/" + std::string(JournalName)));

    const TRun second = Publish(site, target, password);
    EXPECT_EQ(second.Source, TRemoteState::TSource::Manifest);
    EXPECT_TRUE(second.Plan.Empty());
    EXPECT_EQ(second.Report.Unchanged, 8u);

    site.Put("page3.html", Page(33));
    const TRun edited = Publish(site, target, password);
    EXPECT_EQ(Names(edited.Plan), std::vector<std::string>{"page3.html"});
    EXPECT_EQ(edited.Report.Replaced, 1u);
    EXPECT_EQ(Visible(served), site.Files());

    std::ofstream((served / "users-own.html").string()) << "mine";
    site.Drop("page5.html");
    const TRun deleted = Publish(site, target, password);
    EXPECT_EQ(deleted.Plan.Deletes, std::vector<std::string>{"page5.html"});
    EXPECT_EQ(deleted.Report.Deleted, 1u);
    std::map<std::string, std::string> expected = site.Files();
    expected["users-own.html"] = "mine";
    EXPECT_EQ(Visible(served), expected);
}

TEST(PublishToServers, PlainFtp)
{
    TTempDir root;
    const TTestServer server = StartFtp(root);
    CheckPublishCycle(PlainTarget(server), root.Path() / "www", std::string(Password));
}

TEST(PublishToServers, SftpWithAnEd25519Key)
{
    TTempDir dir;
    const TTestServer server({Servers + "/start-server.py", "sshd", dir.Path().string()});
    TPublishTarget target;
    target.Protocol = TPublishProtocol::Sftp;
    target.Host = "127.0.0.1";
    target.Port = server.Port();
    target.User = ::getpwuid(::geteuid())->pw_name;
    target.Folder = (dir.Path() / "www").string();
    target.SshKey = dir.File("client_key");
    target.Fingerprint = FingerprintOf(HostKeyBytes(dir.File("host_key.pub")));
    CheckPublishCycle(target, dir.Path() / "www", {});
}

// Every visible file on the server is the site's own bytes: nothing half-written has a real name.
void ExpectNothingHalfWritten(const TSite &site, const fs::path &served)
{
    for (const auto &[name, bytes] : Visible(served))
        EXPECT_EQ(bytes, site.Files().at(name)) << name;
}

TPublishTarget VsftpdTarget(const TTestServer &server, bool tls12)
{
    TPublishTarget target;
    target.Host = "127.0.0.1";
    target.Port = server.Port();
    target.User = "anonymous";
    target.Folder = "www";
    target.TlsMax12 = tls12;
    target.Fingerprint = server.Value("FINGERPRINT");
    return target;
}

TEST(PublishToServers, FtpsWithAPinnedSelfSignedCertificate)
{
    TTempDir dir;
    const TTestServer server({Servers + "/start-server.py", "vsftpd", dir.Path().string()});
    CheckPublishCycle(VsftpdTarget(server, false), dir.Path() / "root" / "www", std::string(Password));
}

// Fifty files of about 190 KB, each checked on the server. With TLS 1.3 allowed, some FTPS
// servers break uploads off: whatever happens, no file under its real name has a wrong size, and
// a failure names the TLS cap, with which the run completes; a server capped at 1.2 works too.
TEST(PublishToServers, FtpsLargeFilesArriveWholeUnderBothTlsVersions)
{
    TSite site;
    for (int i = 0; i < 50; ++i)
        site.Put("p" + std::to_string(i) + ".html", Page(i, 190 * 1024 + static_cast<std::size_t>(i)));
    for (const bool serverCapped : {false, true}) {
        SCOPED_TRACE(serverCapped ? "server at TLS 1.2" : "server with TLS 1.3");
        TTempDir dir;
        std::vector<std::string> args = {Servers + "/start-server.py", "vsftpd", dir.Path().string()};
        if (serverCapped)
            args.push_back("tls12");
        const TTestServer server(args);
        const fs::path served = dir.Path() / "root" / "www";
        TRun run = Publish(site, VsftpdTarget(server, false), std::string(Password));
        ExpectNothingHalfWritten(site, served);
        if (!run.Report.Complete()) {
            EXPECT_FALSE(serverCapped);
            EXPECT_NE(Cp1251ToUtf8(*run.Report.Failure).find("включите TLS не выше 1.2 (--tls-max 1.2)"),
                      std::string::npos)
                << Cp1251ToUtf8(*run.Report.Failure);
            run = Publish(site, VsftpdTarget(server, true), std::string(Password));
            ASSERT_TRUE(run.Report.Complete()) << Cp1251ToUtf8(run.Report.Failure.value_or(""));
        }
        for (const auto &[name, bytes] : site.Files())
            EXPECT_EQ(fs::file_size(served / name), bytes.size()) << name;
        EXPECT_EQ(Visible(served), site.Files());
    }
}

// A server identity that is new or differs from the pinned one stops the run before anything
// is sent, and names the fingerprint seen.
TEST(PublishTrust, NewOrChangedIdentityStopsTheRun)
{
    TSite site;
    site.Put("index.html", Page(0));
    const std::string other = FingerprintOf("another server");
    auto failure = [&](const TPublishTarget &target) -> std::optional<ETransferError> {
        try {
            Publish(site, target, std::string(Password));
        } catch (const ETransferError &e) {
            return e;
        }
        return std::nullopt;
    };

    TTempDir ftps;
    const TTestServer vsftpd({Servers + "/start-server.py", "vsftpd", ftps.Path().string()});
    TPublishTarget target = VsftpdTarget(vsftpd, false);
    const std::string certificate = target.Fingerprint;
    target.Fingerprint.clear();
    std::optional<ETransferError> unknown = failure(target);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->Kind(), TTransferFailure::UnknownCertificate);
    EXPECT_EQ(unknown->Fingerprint(), certificate);
    EXPECT_NE(Cp1251ToUtf8(unknown->Message()).find("(--trust-fingerprint " + certificate + ")"),
              std::string::npos);
    target.Fingerprint = other;
    std::optional<ETransferError> changed = failure(target);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->Kind(), TTransferFailure::ChangedIdentity);
    EXPECT_EQ(Cp1251ToUtf8(changed->Message())
                  .rfind("Сертификат сервера 127.0.0.1 изменился: закреплён " + other + ", получен " +
                             certificate + ". Публикация остановлена.",
                         0),
              0u);
    EXPECT_TRUE(Served(ftps.Path() / "root" / "www").empty());

    TTempDir sftp;
    const TTestServer sshd({Servers + "/start-server.py", "sshd", sftp.Path().string()});
    TPublishTarget keyTarget;
    keyTarget.Protocol = TPublishProtocol::Sftp;
    keyTarget.Host = "127.0.0.1";
    keyTarget.Port = sshd.Port();
    keyTarget.User = ::getpwuid(::geteuid())->pw_name;
    keyTarget.Folder = (sftp.Path() / "www").string();
    keyTarget.SshKey = sftp.File("client_key");
    const std::string hostKey = FingerprintOf(HostKeyBytes(sftp.File("host_key.pub")));
    unknown = failure(keyTarget);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->Kind(), TTransferFailure::UnknownHostKey);
    EXPECT_EQ(unknown->Fingerprint(), hostKey);
    keyTarget.Fingerprint = other;
    changed = failure(keyTarget);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->Kind(), TTransferFailure::ChangedIdentity);
    EXPECT_EQ(Cp1251ToUtf8(changed->Message())
                  .rfind("Ключ сервера 127.0.0.1 изменился: закреплён " + other + ", получен " + hostKey +
                             ". Публикация остановлена.",
                         0),
              0u);
    EXPECT_FALSE(fs::exists(sftp.Path() / "www"));
}

struct TFault
{
    std::string Setting; // the test server's fault, NAME=COUNT
    TTransferFailure Kind;
    std::string MessageStart;
};

TEST(PublishFaults, EachFaultLeavesAResumableStateAndTheNextRunCompletes)
{
    const std::vector<TFault> faults = {
        // Strikes once more than the run retries.
        {"drop=2", TTransferFailure::Connection, "Соединение с 127.0.0.1 прервалось (файл \"page1.html\")"},
        {"stall=2", TTransferFailure::Timeout, "Сервер 127.0.0.1 не отвечает (файл \"page1.html\")"},
        {"quota=1", TTransferFailure::Quota, "На сервере кончилось место (файл \"page1.html\")"},
        {"rename=1", TTransferFailure::Permission,
         "Сервер 127.0.0.1 не дал записать в папку \"www\" (файл \"page1.html\")"},
    };
    for (const TFault &fault : faults) {
        SCOPED_TRACE(fault.Setting);
        TTempDir root;
        const TTestServer server = StartFtp(root, {fault.Setting});
        TSite site;
        for (int i = 1; i <= 3; ++i)
            site.Put("page" + std::to_string(i) + ".html", Page(i, 200 * 1024));
        site.Put("index.html", Page(0));
        std::vector<std::string> notes;
        TPublishProgress progress;
        progress.Note = [&](const std::string &note) { notes.push_back(Cp1251ToUtf8(note)); };

        const TRun broken = Publish(site, PlainTarget(server), std::string(Password), progress);
        ASSERT_TRUE(broken.Report.Failure);
        EXPECT_EQ(broken.Report.Failed, 1u);
        // Under load the stalled server's side of the data connection may be reset before the
        // client's timer runs out; either way the upload is reported as broken off.
        const std::string message = Cp1251ToUtf8(*broken.Report.Failure);
        const bool stalledAndReset =
            fault.Kind == TTransferFailure::Timeout &&
            message.rfind("Соединение с 127.0.0.1 прервалось (файл \"page1.html\")", 0) == 0;
        EXPECT_TRUE(message.rfind(fault.MessageStart, 0) == 0 || stalledAndReset) << message;
        ExpectNothingHalfWritten(site, root.Path() / "www");
        EXPECT_FALSE(fs::exists(root.Path() / "www" / std::string(ManifestName)));
        // A transient fault was tried again once before the run gave up.
        EXPECT_EQ(notes.size(),
                  fault.Kind == TTransferFailure::Connection || fault.Kind == TTransferFailure::Timeout ? 1u
                                                                                                        : 0u);

        const TRun resumed = Publish(site, PlainTarget(server), std::string(Password));
        EXPECT_EQ(resumed.Source, TRemoteState::TSource::Journal);
        ASSERT_TRUE(resumed.Report.Complete()) << Cp1251ToUtf8(resumed.Report.Failure.value_or(""));
        EXPECT_EQ(Visible(root.Path() / "www"), site.Files());
        EXPECT_EQ(Publish(site, PlainTarget(server), std::string(Password)).Source,
                  TRemoteState::TSource::Manifest);
    }
}

TEST(PublishFaults, CancelStopsBetweenFilesAndTheNextRunGoesOnFromThere)
{
    TTempDir root;
    const TTestServer server = StartFtp(root);
    TSite site;
    for (int i = 1; i <= 6; ++i)
        site.Put("page" + std::to_string(i) + ".html", Page(i));
    site.Put("index.html", Page(0));
    std::size_t started = 0;
    TPublishProgress progress;
    progress.FileStarted = [&](std::size_t, std::size_t, const std::string &, std::uint64_t) { ++started; };
    progress.Cancelled = [&] { return started == 3; };

    const TRun cancelled = Publish(site, PlainTarget(server), std::string(Password), progress);
    EXPECT_TRUE(cancelled.Report.Cancelled);
    EXPECT_EQ(cancelled.Report.Uploaded, 3u);
    EXPECT_EQ(Visible(root.Path() / "www").size(), 3u);
    ExpectNothingHalfWritten(site, root.Path() / "www");

    const TRun resumed = Publish(site, PlainTarget(server), std::string(Password));
    EXPECT_EQ(resumed.Source, TRemoteState::TSource::Journal);
    EXPECT_EQ(Names(resumed.Plan),
              (std::vector<std::string>{"page4.html", "page5.html", "page6.html", "index.html"}));
    EXPECT_TRUE(resumed.Report.Complete());
    EXPECT_EQ(Visible(root.Path() / "www"), site.Files());
}

TEST(PublishFaults, AFileDeletedByHandIsFoundBySizeCheck)
{
    TTempDir root;
    const TTestServer server = StartFtp(root);
    TSite site;
    site.Put("a.html", Page(1));
    site.Put("b.html", Page(2));
    ASSERT_TRUE(Publish(site, PlainTarget(server), std::string(Password)).Report.Complete());
    fs::remove(root.Path() / "www" / "a.html");
    auto remote = ConnectRemoteFolder(PlainTarget(server), std::string(Password));
    const TRemoteState state = ReadRemoteState(site.Folder(), TargetAddress(PlainTarget(server)), *remote);
    EXPECT_TRUE(PlanPublish(site.Exported(), state.Files, false).Empty());
    const TPublishPlan checked = PlanPublish(site.Exported(), CheckRemoteSizes(state.Files, *remote), false);
    EXPECT_EQ(Names(checked), std::vector<std::string>{"a.html"});
}

} // namespace
} // namespace zarvik
