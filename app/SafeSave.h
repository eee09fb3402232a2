#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <type_traits>
#include <utility>

// Saving the program's own files so that a crash never leaves one half-written, and finding and
// restoring what an interrupted save left. Paths are file-system names (UTF-8 on Linux); the
// messages of the thrown EError are Windows-1251 and name the full path.
namespace zarvik {

// Writes one piece of the data; behaves like ::write (returns the count written, or -1 with
// errno set). Tests replace it to make a write fail part-way.
using TWriteFunction = std::function<ssize_t(int fd, const void *data, std::size_t size)>;

// The system calls of a save that tests replace to make them fail; an empty member calls the
// system itself. A write function converts to the calls with only the write replaced.
struct TSaveCalls
{
    TSaveCalls() = default;
    template <typename F, typename = std::enable_if_t<std::is_constructible_v<TWriteFunction, F> &&
                                                      !std::is_same_v<std::decay_t<F>, TSaveCalls>>>
    TSaveCalls(F &&write)
        : Write(std::forward<F>(write))
    {
    }

    // The writes of the new content into the file (and, after a failed overwrite in place, of
    // the old content back into it); the copy made before an overwrite is written directly.
    TWriteFunction Write;
    // Behaves like ::fallocate.
    std::function<int(int fd, int mode, off_t offset, off_t length)> Allocate;
    // Behaves like ::open of a folder with O_TMPFILE; failing with EOPNOTSUPP takes the way of
    // file systems without unnamed files.
    std::function<int(const char *folder, int flags, mode_t mode)> OpenUnnamed;
};

// Replaces the file at `path` by `bytes` so that it is never left half-written: the bytes go
// into an unnamed temporary file in the same folder, which is flushed to disk, given a hidden
// name and renamed over the target. A symbolic link is followed, also one that names no file
// yet (that file is created), and its target replaced; an existing file keeps its owner and
// permissions. On any failure the temporary file is gone, the old file is left as it was, and
// EError "Cannot create file ..." is thrown with the system's reason. Where the file system
// has no unnamed files, the temporary file is created under a name that no clean-up matches,
// locked, and only then given its hidden name.
//
// An existing file the user may not write to is refused with "... Permission denied" (or the
// system's reason) and kept. Three kinds of file are overwritten in place instead: a file with
// several hard links (every name must see the new content), a file in a folder that takes no
// new files, and a file whose owner or group the temporary file cannot be given (another
// user's file that the group may write). Before the first byte of such a file is written, a
// whole copy of it is flushed to disk: beside it as ".zarvik-backup-<name>" when the folder
// takes new files, otherwise in the user's cache folder (see InterruptedSaveCopy). The copy is
// removed once the new content is on disk; a write that fails puts the old content back. So a
// save killed at any moment leaves the old file, the new one, or the copy of the old one.
//
// Space for the new content is reserved with fallocate first, so a full disk or a size limit
// fails the save before anything is written; a file system that cannot reserve space
// (EOPNOTSUPP, ENOSYS) is written without it, and any other error stops the save.
//
// After a successful save, the temporary files that killed saves of the same file left in its
// folder (nothing else) and any copy of an interrupted save of it are removed.
void ReplaceFile(const std::string &path, std::string_view bytes, const TSaveCalls &calls = {});

// Content that is made piece by piece while it is written: its exact size, and a function that
// hands every piece, in order, to the function it is given.
struct TFileContent
{
    using TPut = std::function<void(std::string_view piece)>;
    std::size_t Size = 0;
    std::function<void(const TPut &put)> Produce;
};

// ReplaceFile for content made while it is written. The temporary file is written as the pieces
// come, so no copy of the whole content is made; the files that are overwritten in place get
// their whole content made in memory first. An exception thrown by
// Produce removes the temporary file and goes on to the caller.
void ReplaceFile(const std::string &path, const TFileContent &content, const TSaveCalls &calls = {});

// The copy of the file at `path` that an overwrite in place (see ReplaceFile) made and did not
// get to remove because the save was interrupted; nothing when there is none. The file at
// `path` may then hold its old content, the new content, or a mix of both (a mix normally fails
// to open); the copy holds the whole old content. The copy is looked for beside the file,
// as ".zarvik-backup-<name>" (".zarvik-backup-<16 hex digits>" for a name too long for that),
// then in the cache folder, as "<16 hex digits>-<name>": the digits are a hash of the file's
// absolute path with every symbolic link resolved, which survives a restart, unlike a device
// number. The cache folder is "$XDG_CACHE_HOME/zarvik" ($XDG_CACHE_HOME when set to an
// absolute path, otherwise "$HOME/.cache"), created with mode 0700 when a copy is made there.
// The copy is looked for under the name given: a save through another hard link of the file
// leaves its copy under that link's name.
//
// The copy is an ordinary file of the same kind and may be opened read-only. The next
// successful save of `path` removes it, and an overwrite in place replaces it, before it
// writes, by a copy of the file as it is then; so to take the old version, restore the copy
// with RestoreInterruptedSaveCopy before the file is saved again.
std::optional<std::string> InterruptedSaveCopy(const std::string &path);

// Puts the copy that InterruptedSaveCopy finds back into the file at `path`: it is overwritten
// in place with the copy's bytes (every name of the file sees them) and flushed to disk, and
// only then is the copy removed, so an interruption leaves the copy to restore again. A missing
// file is created as ReplaceFile does. Returns false when there is no copy. Throws EError
// "Cannot open file ..." (the copy) or "Cannot create file ..." (the file).
bool RestoreInterruptedSaveCopy(const std::string &path);

} // namespace zarvik
