#include "app/Publisher.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

namespace zarvik {
namespace {

using TJson = nlohmann::json;

constexpr std::string_view JournalHeader = "zarvik-publish-journal 1";

bool SafeName(const std::string &name)
{
    if (name.empty() || name.front() == '/' || name.find('\n') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        const std::string_view part(name.data() + start, slash - start);
        if (part.empty() || part.front() == '.')
            return false;
        start = slash + 1;
    }
    return true;
}

// The place of an upload in the run: pages first (new before changed), then the style sheet
// the pages use, then the start page, so that a visitor never gets a start page whose links or
// style are not there yet.
int UploadRank(const TPlannedUpload &upload)
{
    if (upload.Name == "index.html")
        return 3;
    if (upload.Name == "style.css")
        return 2;
    return upload.Kind == TUploadKind::New ? 0 : 1;
}

std::string JournalPath(const std::string &folder)
{
    return folder + "/" + std::string(JournalName);
}

std::string HumanBytes(std::uint64_t bytes)
{
    std::ostringstream text;
    if (bytes < 1024)
        text << bytes << " Б";
    else if (bytes < 1024 * 1024)
        text << (bytes + 512) / 1024 << " КБ";
    else
        text << static_cast<double>(bytes * 10 / (1024 * 1024)) / 10 << " МБ";
    return text.str();
}

// The journal, appended to and flushed to disk after every file.
class TJournal
{
public:
    TJournal(const std::string &folder, const std::string &address, const TManifest &known)
        : FPath(JournalPath(folder))
    {
        // A fresh journal starts from the state the plan was made from: written whole under a
        // temporary name, then renamed over any old one.
        const std::string temporary = FPath + ".new";
        FFile = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (FFile < 0)
            throw EError(CannotCreateFileMessage(temporary, errno));
        Append(std::string(JournalHeader) + "\t" + address + "\n" + known.Json() + "\n");
        if (::rename(temporary.c_str(), FPath.c_str()) != 0)
            throw EError(CannotCreateFileMessage(FPath, errno));
    }
    ~TJournal()
    {
        if (FFile >= 0)
            ::close(FFile);
    }
    TJournal(const TJournal &) = delete;
    TJournal &operator=(const TJournal &) = delete;

    void Uploaded(const std::string &name, const TRemoteFile &file)
    {
        Append(TJson::array({"+", name, file.Size, file.Sha256}).dump() + "\n");
    }
    void Deleted(const std::string &name) { Append(TJson::array({"-", name}).dump() + "\n"); }

    void Remove()
    {
        ::close(FFile);
        FFile = -1;
        ::unlink(FPath.c_str());
    }

private:
    void Append(const std::string &line)
    {
        std::size_t done = 0;
        while (done < line.size()) {
            const ssize_t put = ::write(FFile, line.data() + done, line.size() - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                throw EError(CannotCreateFileMessage(FPath, errno));
            done += static_cast<std::size_t>(put);
        }
        if (::fdatasync(FFile) != 0)
            throw EError(CannotCreateFileMessage(FPath, errno));
    }

    std::string FPath;
    int FFile = -1;
};

} // namespace

std::string TManifest::Json() const
{
    TJson files = TJson::object();
    for (const auto &[name, file] : Files)
        files[name] = {{"size", file.Size}, {"sha256", file.Sha256}};
    return TJson{{"zarvikManifest", 1}, {"files", files}}.dump();
}

std::optional<TManifest> TManifest::Parse(std::string_view json)
{
    const TJson root = TJson::parse(json, nullptr, false);
    if (!root.is_object() || root.value("zarvikManifest", 0) != 1)
        return std::nullopt;
    const auto files = root.find("files");
    if (files == root.end() || !files->is_object())
        return std::nullopt;
    TManifest manifest;
    for (const auto &[name, entry] : files->items()) {
        if (!SafeName(name) || !entry.is_object())
            return std::nullopt;
        const auto size = entry.find("size");
        const auto sha = entry.find("sha256");
        if (size == entry.end() || !size->is_number_unsigned() || sha == entry.end() || !sha->is_string())
            return std::nullopt;
        manifest.Files[name] = {size->get<std::uint64_t>(), sha->get<std::string>()};
    }
    return manifest;
}

std::size_t TPublishPlan::Count(TUploadKind kind) const
{
    return static_cast<std::size_t>(std::count_if(
        Uploads.begin(), Uploads.end(), [kind](const TPlannedUpload &u) { return u.Kind == kind; }));
}

std::uint64_t TPublishPlan::Bytes(TUploadKind kind) const
{
    std::uint64_t bytes = 0;
    for (const TPlannedUpload &upload : Uploads) {
        if (upload.Kind == kind)
            bytes += upload.File.Size;
    }
    return bytes;
}

TPublishPlan PlanPublish(const TExportRecord &record, const TManifest &remote, bool full)
{
    TPublishPlan plan;
    for (const auto &[name, file] : record.Files) {
        const TRemoteFile wanted{file.Size, file.Sha256};
        const auto there = remote.Files.find(name);
        if (there == remote.Files.end())
            plan.Uploads.push_back({name, TUploadKind::New, wanted});
        else if (full || there->second != wanted)
            plan.Uploads.push_back({name, TUploadKind::Changed, wanted});
        else
            ++plan.Unchanged;
    }
    std::stable_sort(
        plan.Uploads.begin(), plan.Uploads.end(),
        [](const TPlannedUpload &a, const TPlannedUpload &b) { return UploadRank(a) < UploadRank(b); });
    for (const auto &[name, file] : remote.Files) {
        if (record.Files.find(name) == record.Files.end())
            plan.Deletes.push_back(name);
    }
    return plan;
}

std::optional<TManifest> LoadJournal(const std::string &folder, const std::string &address)
{
    const int file = ::open(JournalPath(folder).c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(file, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(file);

    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != std::string(JournalHeader) + "\t" + address)
        return std::nullopt;
    if (!std::getline(lines, line))
        return std::nullopt;
    std::optional<TManifest> state = TManifest::Parse(line);
    if (!state)
        return std::nullopt;
    // A line cut short by a crash ends the journal: the file it names was not recorded as done.
    while (std::getline(lines, line) && !lines.eof()) {
        const TJson step = TJson::parse(line, nullptr, false);
        if (!step.is_array() || step.empty() || !step[0].is_string() || step.size() < 2 ||
            !step[1].is_string())
            break;
        const std::string name = step[1].get<std::string>();
        if (step[0] == "+" && step.size() == 4 && step[2].is_number_unsigned() && step[3].is_string())
            state->Files[name] = {step[2].get<std::uint64_t>(), step[3].get<std::string>()};
        else if (step[0] == "-")
            state->Files.erase(name);
        else
            break;
    }
    return state;
}

TRemoteState ReadRemoteState(const std::string &folder, const std::string &address, TRemoteFolder &remote)
{
    TRemoteState state;
    if (std::optional<TManifest> journal = LoadJournal(folder, address)) {
        state.Files = std::move(*journal);
        state.Source = TRemoteState::TSource::Journal;
        return state;
    }
    const std::optional<std::string> text = remote.Fetch(std::string(ManifestName));
    if (!text)
        return state;
    std::optional<TManifest> manifest = TManifest::Parse(*text);
    if (!manifest) {
        state.Source = TRemoteState::TSource::Broken;
        return state;
    }
    state.Files = std::move(*manifest);
    state.Source = TRemoteState::TSource::Manifest;
    return state;
}

TManifest CheckRemoteSizes(const TManifest &manifest, TRemoteFolder &remote)
{
    TManifest checked;
    for (const auto &[name, file] : manifest.Files) {
        if (remote.Size(name) == std::optional(file.Size))
            checked.Files.emplace(name, file);
    }
    return checked;
}

TPublishReport RunPublish(const TPublishPlan &plan, const TManifest &known, const std::string &folder,
                          const std::string &address, TRemoteFolder &remote, const TPublishProgress &progress,
                          int retries)
{
    TPublishReport report;
    report.Unchanged = plan.Unchanged;
    TManifest state = known;
    TJournal journal(folder, address, known);

    // Runs one step, again after a transient failure; the step starts over from its beginning.
    auto attempt = [&](const std::function<void()> &step) {
        for (int round = 0;; ++round) {
            try {
                step();
                return;
            } catch (const ETransferError &e) {
                if (!e.Transient() || round >= retries)
                    throw;
                if (progress.Note)
                    progress.Note(e.Message() + Utf8ToCp1251(". Новая попытка"));
            }
        }
    };
    auto cancelled = [&] { return progress.Cancelled && progress.Cancelled(); };

    try {
        for (std::size_t i = 0; i < plan.Uploads.size(); ++i) {
            if (cancelled()) {
                report.Cancelled = true;
                return report;
            }
            const TPlannedUpload &upload = plan.Uploads[i];
            if (progress.FileStarted)
                progress.FileStarted(i + 1, plan.Uploads.size(), upload.Name, upload.File.Size);
            const std::string temporary = upload.Name + std::string(UploadSuffix);
            attempt([&] {
                remote.Upload(temporary, folder + "/" + upload.Name, [&](std::uint64_t sent) {
                    if (progress.BytesSent)
                        progress.BytesSent(sent);
                    return true;
                });
                const std::optional<std::uint64_t> size = remote.Size(temporary);
                if (size != upload.File.Size)
                    throw ETransferError(TTransferFailure::Connection,
                                         Utf8ToCp1251("На сервер дошло " + std::to_string(size.value_or(0)) +
                                                      " байт из " + std::to_string(upload.File.Size) +
                                                      " (файл \"" + upload.Name + "\")"));
                remote.Rename(temporary, upload.Name);
            });
            state.Files[upload.Name] = upload.File;
            journal.Uploaded(upload.Name, upload.File);
            if (upload.Kind == TUploadKind::New)
                ++report.Uploaded;
            else
                ++report.Replaced;
        }
        for (const std::string &name : plan.Deletes) {
            if (cancelled()) {
                report.Cancelled = true;
                return report;
            }
            // A file already gone by hand is as good as deleted.
            attempt([&] { remote.Remove(name, true); });
            state.Files.erase(name);
            journal.Deleted(name);
            ++report.Deleted;
        }
        const std::string manifestTemporary = std::string(ManifestName) + std::string(UploadSuffix);
        attempt([&] {
            remote.Put(manifestTemporary, state.Json());
            remote.Rename(manifestTemporary, std::string(ManifestName));
        });
        journal.Remove();
    } catch (const ETransferError &e) {
        report.Failed = 1;
        report.Failure = e.Message();
    }
    return report;
}

void CheckConnection(TRemoteFolder &remote)
{
    const std::string probe = ".zarvik-probe";
    remote.Put(probe + std::string(UploadSuffix), "zarvik");
    remote.Rename(probe + std::string(UploadSuffix), probe);
    remote.Remove(probe, false);
}

std::string DescribePlan(const TPublishPlan &plan, std::size_t listed)
{
    std::string text;
    std::size_t lines = 0;
    const auto line = [&](std::string entry) {
        if (lines++ < listed)
            text += entry;
    };
    const auto section = [&](std::string_view title, TUploadKind kind) {
        for (const TPlannedUpload &upload : plan.Uploads) {
            if (upload.Kind == kind)
                line(std::string(title) + "\t" + upload.Name + "\t" + HumanBytes(upload.File.Size) + "\n");
        }
    };
    section("Загрузить", TUploadKind::New);
    section("Заменить", TUploadKind::Changed);
    for (const std::string &name : plan.Deletes)
        line("Удалить\t" + name + "\n");
    if (lines > listed)
        text += "… и ещё файлов: " + std::to_string(lines - listed) + "\n";
    text += "Загрузить: " + std::to_string(plan.Count(TUploadKind::New)) + " (" +
            HumanBytes(plan.Bytes(TUploadKind::New)) +
            "), заменить: " + std::to_string(plan.Count(TUploadKind::Changed)) + " (" +
            HumanBytes(plan.Bytes(TUploadKind::Changed)) +
            "), удалить: " + std::to_string(plan.Deletes.size()) +
            ", без изменений: " + std::to_string(plan.Unchanged) + "\n";
    return text;
}

std::string DescribeReport(const TPublishReport &report)
{
    return "Загружено: " + std::to_string(report.Uploaded) +
           ", заменено: " + std::to_string(report.Replaced) + ", удалено: " + std::to_string(report.Deleted) +
           ", без изменений: " + std::to_string(report.Unchanged) +
           ", с ошибкой: " + std::to_string(report.Failed);
}

} // namespace zarvik
