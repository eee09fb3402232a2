#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace zarvik {

// What one export did with its files.
struct TExportCounts
{
    // Files written (pages and style.css).
    std::size_t Written = 0;
    // Files left untouched because they already held the bytes the export would write.
    std::size_t Unchanged = 0;
    // The user would not have files replaced that the export had not written: nothing was
    // written.
    bool Stopped = false;
};

// Lets an export skip files that already hold its bytes, keeps note of the files it writes, and
// says which files of the folder are the export's own to replace. The export calls Begin once the
// folder is known, then Owns for each file it is about to replace, before it writes anything;
// then for each file Unchanged and, when that said no and the file was written, Written; and
// Finish at the end, also when the export stops with an error or is not let go on. Names are
// UTF-8 paths relative to the export folder, as the page URLs give them.
//
// An export without a ledger replaces whatever its pages name: it is for folders that belong to
// the caller alone (a preview's).
class TExportLedger
{
public:
    virtual ~TExportLedger() = default;

    // `folder` is a descriptor of the export folder (valid until Finish returns); `path` its
    // resolved path.
    virtual void Begin(int folder, const std::string &path) = 0;
    // Names of files that others write into the folder beside the export (sitemap.xml, ...),
    // which no page may take.
    virtual std::vector<std::string> ReservedNames() const = 0;
    // Whether the existing file `name`, of which `onDisk` is the lstat, may be replaced without
    // asking: an earlier export wrote it and it has not changed since.
    virtual bool Owns(const std::string &name, const struct stat &onDisk) const = 0;
    // Whether the file `name` can be left as it is: the export would write `bytes` into it, and
    // `onDisk` is what lstat says of the file there now (nullptr when there is none).
    virtual bool Unchanged(const std::string &name, std::span<const std::string_view> bytes,
                           const struct stat *onDisk) = 0;
    // The file `name` now holds `bytes` (those last passed to Unchanged for it); `info` is its
    // fstat.
    virtual void Written(const std::string &name, std::span<const std::string_view> bytes,
                         const struct stat &info) = 0;
    // The export ends; `complete` is false when it stopped with an error or was not let go on.
    // May throw EError only when `complete` is true.
    virtual void Finish(int folder, bool complete) = 0;
};

} // namespace zarvik
