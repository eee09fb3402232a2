#pragma once

#include "engine/ExportLedger.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The export record: a hidden file in the export folder that lists each file the export wrote,
// so that the next export leaves alone the files that would get the same bytes, and check and
// prune know which files of the folder are this program's.
namespace zarvik {

// The record's file name in the export folder. It starts with "." so that no page can be named
// so (the export refuses hidden names) and listings of pages pass it by.
inline constexpr std::string_view ExportRecordName = ".zarvik-export.json";

// What the record knows of one written file.
struct TExportedFile
{
    std::uint64_t Size = 0;
    // SHA-256 of the bytes, 64 lower-case hex digits.
    std::string Sha256;
    // SHA-256 of the pieces the export wrote the bytes from (see TPiecesKey), 64 hex digits: what
    // the next export compares, so that it need not hash the whole of every page again.
    std::string Pieces;
    // The file's modification time after the write, in nanoseconds since the epoch.
    std::int64_t MtimeNs = 0;
    // The day (UTC, "YYYY-MM-DD") the bytes last changed.
    std::string Changed;

    bool operator==(const TExportedFile &) const = default;
};

// The record's content: file names (UTF-8, relative to the export folder, as the page URLs give
// them) and what was written under them.
struct TExportRecord
{
    std::map<std::string, TExportedFile> Files;

    // The record as the file holds it (JSON, UTF-8).
    std::string Json() const;
    // A record read back from Json(); nothing for anything else (broken JSON, another program's
    // file, a field of the wrong type or form, a name that is absolute or has a hidden, "." or
    // ".." part).
    static std::optional<TExportRecord> Parse(std::string_view json);
    // The record of the export folder `folder` (a file-system path); nothing when the folder has
    // none or it cannot be used (see Parse).
    static std::optional<TExportRecord> Load(const std::string &folder);
};

// The day the bytes of `fileName` (UTF-8, relative to `folder`, a file-system path) last changed,
// "YYYY-MM-DD" (UTC), as the export record of `folder` says; nothing when the folder has no
// usable record or it does not list the file. Only the record is read: a file changed by hand
// since the export still gives the recorded date until the next export rewrites it.
std::optional<std::string> ExportRecordChangedDate(const std::string &folder, const std::string &fileName);

// SHA-256 of the pieces taken one after another, as 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::string_view> pieces);

// Whether `info` (an lstat) shows the file as the export left it: a regular file of the recorded
// size and modification time. A file changed by hand since then is no longer the export's.
bool IsAsRecorded(const TExportedFile &file, const struct stat &info);

// A strong hash of a file's bytes given as pieces, cheap to compute again for pages that share
// large pieces (the menu): SHA-256 over each piece's length and, for a large piece, its own
// SHA-256, else its bytes. A large piece met again (same place in memory, same length, same
// bytes, compared directly) reuses its digest. Equal keys mean equal piece sequences and so equal
// bytes; the same bytes cut differently give another key, which only costs a write.
class TPiecesKey
{
public:
    std::string Of(std::span<const std::string_view> pieces);

private:
    struct TLargePiece
    {
        const char *Data;
        std::string Copy;
        unsigned char Digest[32];
    };
    const unsigned char *LargeDigest(std::string_view piece);

    std::vector<TLargePiece> FLarge;
    std::size_t FNextSlot = 0;
};

// Today (UTC) as "YYYY-MM-DD".
std::string TodayUtc();

// Removes the named files from the record of `folder` (after they were deleted), writing it again
// whole. Does nothing when the folder has no usable record; a failure to write is ignored (the
// record then still lists files that are gone, which the next export drops).
void ForgetExportedFiles(const std::string &folder, const std::vector<std::string> &names);

// The ledger the program's exports use: it reads the folder's record at the start, leaves alone a
// file whose new bytes have the recorded hash while the file on disk still has the recorded size
// and modification time, and writes the record again (whole, as the export writes its files) at
// the end, also after an export that stopped, for the files written so far. A broken or foreign
// record is ignored and replaced. With `full`, every file is written, and the record still
// refreshed. It owns (may replace without asking) the files its record lists that are still as
// the export left them; an export that wrote nothing and found nothing unchanged leaves the record
// as it was.
class TExportRecordLedger : public TExportLedger
{
public:
    explicit TExportRecordLedger(bool full, std::function<std::string()> today = TodayUtc);

    // Names (UTF-8) of the files written beside the pages by others (SiteFileNames of
    // app/SiteFiles.h), kept from pages; the record's own name always is.
    void SetReservedNames(std::vector<std::string> names) { FReserved = std::move(names); }

    void Begin(int folder, const std::string &path) override;
    std::vector<std::string> ReservedNames() const override;
    bool Owns(const std::string &name, const struct stat &onDisk) const override;
    bool Unchanged(const std::string &name, std::span<const std::string_view> bytes,
                   const struct stat *onDisk) override;
    void Written(const std::string &name, std::span<const std::string_view> bytes,
                 const struct stat &info) override;
    void Finish(int folder, bool complete) override;

private:
    void Save(int folder);

    bool FFull;
    std::function<std::string()> FToday;
    std::vector<std::string> FReserved;
    // Whether this export wrote a file or found one unchanged.
    bool FTouched = false;
    std::string FFolderPath;
    // The record as read at the start, its bytes, and the one being made.
    std::optional<TExportRecord> FOld;
    std::string FOldJson;
    TExportRecord FNew;
    // The hash of the bytes last passed to Unchanged, for the name it was computed for.
    std::string FPendingName;
    std::string FPendingKey;
    TPiecesKey FKeys;
};

} // namespace zarvik
