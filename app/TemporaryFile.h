#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

// The temporary file a save writes before it takes the place of the file saved, and the clean-up
// of those that killed saves left behind.
namespace zarvik {

// Sixteen hexadecimal digits of a hash of the text, which stand in a file name for a name or a
// path too long to be written out.
std::string NameDigest(std::string_view text);

// Removes the temporary files that saves to the file `name` left in `folder` when they were
// killed: files of the temporary files' hidden pattern for that name that no running save holds
// locked. Anything else in the folder is left alone, and a file that cannot be removed stays.
void RemoveLeftovers(const std::filesystem::path &folder, const std::string &name);

// The file that becomes `name` in `folder` once it is complete. It is created unnamed where the
// file system allows, so nothing can see it before Commit and a killed save leaves nothing;
// otherwise it is created under a name that no clean-up matches, locked, and only then renamed
// to a hidden name of the clean-up's pattern. It stays locked while it has that name, so that
// the clean-up of another save of the same file leaves it alone. Dropped without Commit, it is
// gone.
class TTemporaryFile
{
public:
    // Behaves like ::open of a folder with O_TMPFILE; tests replace it.
    using TOpenUnnamed = std::function<int(const char *folder, int flags, mode_t mode)>;

    // A new temporary file with `mode` (less the creation mask), or nothing with `error` set. An
    // empty `openUnnamed` calls the system; one that fails with EOPNOTSUPP takes the way of file
    // systems without unnamed files.
    static std::unique_ptr<TTemporaryFile> Create(const std::filesystem::path &folder,
                                                  const std::string &name, mode_t mode,
                                                  const TOpenUnnamed &openUnnamed, int &error);

    TTemporaryFile(const TTemporaryFile &) = delete;
    TTemporaryFile &operator=(const TTemporaryFile &) = delete;
    ~TTemporaryFile();

    int Fd() const { return FFd; }

    // Flushes the file to disk, renames it over `name` and makes the rename durable. Returns 0,
    // or the error, after which the temporary file is gone when the object is dropped.
    int Commit();

private:
    TTemporaryFile(std::filesystem::path folder, std::string name);

    std::filesystem::path FFolder;
    std::string FName;
    int FFd = -1;
    int FLock = -1;
    // The name the file has now; empty while it has none and once it is committed.
    std::filesystem::path FPath;
};

} // namespace zarvik
