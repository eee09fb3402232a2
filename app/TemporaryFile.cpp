#include "app/TemporaryFile.h"

#include "app/FileAccess.h"
#include "app/FileHandle.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

std::uint64_t NameHash(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string Hex16(std::uint64_t value)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (int shift = 60; shift >= 0; shift -= 4)
        hex += Digits[(value >> shift) & 0xF];
    return hex;
}

// The start of the temporary file names of saves to the file `name`: hidden, fixed in length
// whatever the name (so a name near the file-system limit can still be saved), and telling the
// saves of one file from those of its neighbours by a hash of its name.
std::string TemporaryPrefix(const std::string &name)
{
    return ".zarvik-save-" + Hex16(NameHash(name)) + '-';
}

// Six letters or digits drawn at random, which end a temporary file name.
std::string RandomSuffix()
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[6] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        std::uint64_t mix = NameHash(std::to_string(now.tv_nsec) + ':' + std::to_string(::getpid()));
        for (unsigned char &c : random) {
            c = static_cast<unsigned char>(mix);
            mix >>= 8;
        }
    }
    std::string suffix;
    for (const unsigned char c : random)
        suffix += Letters[c % (sizeof Letters - 1)];
    return suffix;
}

// Renames without replacing a file of the new name (EEXIST), also where the file system does
// not offer that in one step.
int RenameNoReplace(const fs::path &from, const fs::path &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    struct stat info
    {
    };
    if (::lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}

// Gives an unnamed file a name in its folder.
int LinkUnnamed(int fd, const fs::path &name)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno == EEXIST)
        return -1;
    const int error = errno;
    // Without /proc, only a process that may search every folder can link a descriptor.
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != EEXIST)
        errno = error;
    return -1;
}

// Makes the names just given in the folder durable.
void SyncFolder(const fs::path &folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace

std::string NameDigest(std::string_view text)
{
    return Hex16(NameHash(text));
}

// A leftover is named by TemporaryPrefix and six more characters; a running save holds its file
// locked.
void RemoveLeftovers(const fs::path &folder, const std::string &name)
{
    const std::string prefix = TemporaryPrefix(name);
    std::error_code ec;
    fs::directory_iterator entries(folder, ec);
    if (ec)
        return;
    for (const fs::directory_entry &entry : entries) {
        const std::string found = entry.path().filename().string();
        if (found.size() != prefix.size() + 6 || !found.starts_with(prefix))
            continue;
        if (!entry.is_regular_file(ec) || entry.is_symlink(ec))
            continue;
        // A FIFO put there under the name since the look would hold a plain open for ever.
        TFileHandle leftover(OpenRegularFile(AT_FDCWD, entry.path().c_str(), O_NOFOLLOW));
        if (leftover.Get() >= 0 && ::flock(leftover.Get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(entry.path().c_str());
    }
}

TTemporaryFile::TTemporaryFile(fs::path folder, std::string name)
    : FFolder(std::move(folder))
    , FName(std::move(name))
{
}

std::unique_ptr<TTemporaryFile> TTemporaryFile::Create(const fs::path &folder, const std::string &name,
                                                       mode_t mode, const TOpenUnnamed &openUnnamed,
                                                       int &error)
{
    std::unique_ptr<TTemporaryFile> file(new TTemporaryFile(folder, name));
    constexpr int UnnamedFlags = O_TMPFILE | O_RDWR | O_CLOEXEC;
    file->FFd = openUnnamed ? openUnnamed(folder.c_str(), UnnamedFlags, mode)
                            : ::open(folder.c_str(), UnnamedFlags, mode);
    if (file->FFd >= 0) {
        ::flock(file->FFd, LOCK_EX);
        return file;
    }
    // What systems and file systems without unnamed files answer.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        error = errno;
        return nullptr;
    }
    const std::string prefix = TemporaryPrefix(name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string suffix = RandomSuffix();
        const fs::path pending = folder / (prefix + suffix + ".new");
        file->FFd = ::open(pending.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, mode);
        if (file->FFd < 0) {
            if (errno == EEXIST)
                continue;
            error = errno;
            return nullptr;
        }
        file->FPath = pending;
        ::flock(file->FFd, LOCK_EX);
        // The duplicate keeps the lock when the file is closed before its rename.
        file->FLock = ::fcntl(file->FFd, F_DUPFD_CLOEXEC, 0);
        const fs::path hidden = folder / (prefix + suffix);
        if (RenameNoReplace(pending, hidden) == 0) {
            file->FPath = hidden;
            return file;
        }
        error = errno;
        return nullptr;
    }
    error = EEXIST;
    return nullptr;
}

TTemporaryFile::~TTemporaryFile()
{
    if (!FPath.empty())
        ::unlink(FPath.c_str());
    if (FFd >= 0)
        ::close(FFd);
    if (FLock >= 0)
        ::close(FLock);
}

int TTemporaryFile::Commit()
{
    if (::fsync(FFd) != 0)
        return errno;
    if (FPath.empty()) {
        for (int attempt = 0; FPath.empty(); ++attempt) {
            const fs::path hidden = FFolder / (TemporaryPrefix(FName) + RandomSuffix());
            if (LinkUnnamed(FFd, hidden) == 0)
                FPath = hidden;
            else if (errno != EEXIST || attempt == 100)
                return errno;
        }
    } else {
        // A delayed write error can show at close (a network file system reports it there).
        const int fd = std::exchange(FFd, -1);
        if (::close(fd) != 0)
            return errno;
    }
    if (::rename(FPath.c_str(), (FFolder / FName).c_str()) != 0)
        return errno;
    FPath.clear();
    SyncFolder(FFolder);
    return 0;
}

} // namespace zarvik
