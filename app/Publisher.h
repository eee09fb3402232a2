#pragma once

#include "app/ExportRecord.h"
#include "app/PublishTransport.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Publishing an exported site: what the server holds of ours is listed in a manifest there, the
// export record lists what the site has, and only the difference is sent.
namespace zarvik {

// The manifest's name in the remote folder, written last by every complete publish.
inline constexpr std::string_view ManifestName = ".zarvik-manifest.json";
// The local journal's name in the export folder: the remote state as far as a run got.
inline constexpr std::string_view JournalName = ".zarvik-publish-journal";
// How many files a publish deletes without asking.
inline constexpr int DefaultMaxDeletes = 50;

struct TRemoteFile
{
    std::uint64_t Size = 0;
    std::string Sha256;
    bool operator==(const TRemoteFile &) const = default;
};

// The files this program put on the server (names relative to the remote folder, UTF-8).
struct TManifest
{
    std::map<std::string, TRemoteFile> Files;

    std::string Json() const;
    // Nothing for text that is not a manifest (or names that leave the folder or are hidden).
    static std::optional<TManifest> Parse(std::string_view json);
};

enum class TUploadKind
{
    New,
    Changed,
};

struct TPlannedUpload
{
    std::string Name;
    TUploadKind Kind = TUploadKind::New;
    TRemoteFile File;
};

// What a publish will do, in the order it does it: uploads (new pages, changed pages, the style
// sheet, the start page), then deletions of files the manifest lists and the site no longer has.
struct TPublishPlan
{
    std::vector<TPlannedUpload> Uploads;
    std::vector<std::string> Deletes;
    std::size_t Unchanged = 0;

    std::size_t Count(TUploadKind kind) const;
    std::uint64_t Bytes(TUploadKind kind) const;
    bool Empty() const { return Uploads.empty() && Deletes.empty(); }
};

// The plan from the export record and what the server is known to hold; `full` sends every file.
TPublishPlan PlanPublish(const TExportRecord &record, const TManifest &remote, bool full);

// The journal in the export folder `folder`: the remote state as of the last file done, for the
// target at `address`. Nothing when there is none, it belongs to another target, or is broken.
std::optional<TManifest> LoadJournal(const std::string &folder, const std::string &address);

// What the server is known to hold before a run, and where that knowledge came from.
struct TRemoteState
{
    enum class TSource
    {
        // The journal of a run that stopped: it knows more than the server's manifest.
        Journal,
        Manifest,
        // No manifest on the server: nothing there is known to be ours.
        None,
        // A manifest that cannot be read: nothing is known to be ours, nothing is deleted.
        Broken,
    };
    TManifest Files;
    TSource Source = TSource::None;
};
// Reads the journal in `folder` for `address`, else the manifest from the server. Throws
// ETransferError.
TRemoteState ReadRemoteState(const std::string &folder, const std::string &address, TRemoteFolder &remote);

// The manifest without the files whose size on the server differs from the manifest's or that
// the server no longer has (deleted by hand): they are sent again. One size query per file.
TManifest CheckRemoteSizes(const TManifest &manifest, TRemoteFolder &remote);

// What a run reports as it goes; every member may be empty.
struct TPublishProgress
{
    // Before each upload: 1-based index, the count, the name, its size.
    std::function<void(std::size_t index, std::size_t count, const std::string &name, std::uint64_t size)>
        FileStarted;
    // Bytes sent of the file in flight.
    std::function<void(std::uint64_t sent)> BytesSent;
    // Asked between files: true stops the run there (the journal keeps the place).
    std::function<bool()> Cancelled;
    // A note for the user (Windows-1251): a retry, a stale temporary file.
    std::function<void(const std::string &note)> Note;
};

struct TPublishReport
{
    std::size_t Uploaded = 0;
    std::size_t Replaced = 0;
    std::size_t Deleted = 0;
    std::size_t Unchanged = 0;
    std::size_t Failed = 0;
    bool Cancelled = false;
    // The failure that stopped the run (Windows-1251).
    std::optional<std::string> Failure;

    bool Complete() const { return !Cancelled && !Failure; }
};

// Carries out `plan` on `remote` from the export folder `folder`. `known` is the remote state the
// plan was made from; after every file the journal records the new state, so that a run stopped
// at any point (a failure, a cancel, a crash) is resumed by planning again from LoadJournal. Each
// upload goes to a temporary name, its size on the server is checked, then it is renamed into
// place; a transient failure is tried again up to `retries` times on a new connection. The
// manifest is uploaded last the same way and the journal removed. Throws EError when the
// journal cannot be written.
TPublishReport RunPublish(const TPublishPlan &plan, const TManifest &known, const std::string &folder,
                          const std::string &address, TRemoteFolder &remote,
                          const TPublishProgress &progress = {}, int retries = 3);

// Logs in and writes, renames and removes a small probe file in the remote folder, so that every
// right a publish needs is tried. Throws ETransferError saying what failed and what to try.
void CheckConnection(TRemoteFolder &remote);

// The plan as the dry run and the confirmation show it (UTF-8): each file with its size under
// "Загрузить", "Заменить", "Удалить", then the counts and bytes. Beyond `listed` files the rest
// are counted on one line instead, so that a question box stays within the screen.
std::string DescribePlan(const TPublishPlan &plan, std::size_t listed = SIZE_MAX);

// The final report's line (UTF-8): "Загружено: N, заменено: N, удалено: N, без изменений: N,
// с ошибкой: N".
std::string DescribeReport(const TPublishReport &report);

} // namespace zarvik
