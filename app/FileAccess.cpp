#include "app/FileAccess.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"
#include "persistence/LargeBuffer.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

std::string Reason(int error)
{
    return Utf8ToCp1251(std::generic_category().message(error));
}

// Closes a descriptor on every path out of a function.
class TFileHandle
{
public:
    explicit TFileHandle(int fd)
        : FFd(fd)
    {
    }
    TFileHandle(const TFileHandle &) = delete;
    TFileHandle &operator=(const TFileHandle &) = delete;
    ~TFileHandle()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    int Get() const { return FFd; }
    // Closes now and reports the result, since close() can be where a delayed write error shows.
    int Close()
    {
        const int result = ::close(FFd);
        FFd = -1;
        return result;
    }

private:
    int FFd;
};

// The longest file name the file systems in use take, in bytes.
constexpr std::size_t MaxNameLength = 255;

// The folder a path names its file in.
fs::path FolderOf(const fs::path &file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Where the data really goes: the path with every symbolic link at its end followed, the last
// one also when it names no file yet, since a link that is followed creates the file it names.
// A relative link is read from the link's own folder, as the system reads it. Throws EError
// "Cannot create file ..." for a loop of links.
fs::path ReplacementTarget(const std::string &path)
{
    constexpr int MaxLinkHops = 40;
    fs::path current(path);
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat info
        {
        };
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::error_code ec;
        const fs::path next = fs::read_symlink(current, ec);
        if (ec)
            return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    throw EError(CannotCreateMessage(path, ELOOP));
}

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

// Removes the temporary files that saves to the file `name` left in `folder` when they were
// killed: files named by TemporaryPrefix and six more characters that no running save holds
// locked. Anything else in the folder is left alone, and a file that cannot be removed stays.
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
        TFileHandle leftover(::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (leftover.Get() >= 0 && ::flock(leftover.Get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(entry.path().c_str());
    }
}

// Writes all the bytes, retrying interrupted and short writes. Returns 0, or the error.
int WriteAll(int fd, std::string_view bytes, const TWriteFunction &write)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write ? write(fd, bytes.data() + done, bytes.size() - done)
                                  : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (put == 0)
            return EIO;
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

// Reserves the first `size` bytes of the file, so that a full disk or a size limit shows before
// anything is written. A file system that cannot reserve space is written without it; any other
// failure is returned. Returns 0, or the error.
int Reserve(int fd, int mode, std::size_t size, const TSaveCalls &calls)
{
    if (size == 0)
        return 0;
    const auto length = static_cast<off_t>(size);
    for (;;) {
        const int result =
            calls.Allocate ? calls.Allocate(fd, mode, 0, length) : ::fallocate(fd, mode, 0, length);
        if (result == 0 || errno == EOPNOTSUPP || errno == ENOSYS)
            return 0;
        if (errno != EINTR)
            return errno;
    }
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

// The file that becomes `name` in `folder` once it is complete. It is created unnamed where the
// file system allows, so nothing can see it before Commit and a killed save leaves nothing;
// otherwise it is created under a name that no clean-up matches, locked, and only then renamed
// to a hidden name of the clean-up's pattern. It stays locked while it has that name, so that
// the clean-up of another save of the same file leaves it alone. Dropped without Commit, it is
// gone.
class TTemporaryFile
{
public:
    // A new temporary file with `mode` (less the creation mask), or nothing with `error` set.
    static std::unique_ptr<TTemporaryFile> Create(const fs::path &folder, const std::string &name,
                                                  mode_t mode, const TSaveCalls &calls, int &error)
    {
        std::unique_ptr<TTemporaryFile> file(new TTemporaryFile(folder, name));
        constexpr int UnnamedFlags = O_TMPFILE | O_RDWR | O_CLOEXEC;
        file->FFd = calls.OpenUnnamed ? calls.OpenUnnamed(folder.c_str(), UnnamedFlags, mode)
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

    TTemporaryFile(const TTemporaryFile &) = delete;
    TTemporaryFile &operator=(const TTemporaryFile &) = delete;
    ~TTemporaryFile()
    {
        if (!FPath.empty())
            ::unlink(FPath.c_str());
        if (FFd >= 0)
            ::close(FFd);
        if (FLock >= 0)
            ::close(FLock);
    }

    int Fd() const { return FFd; }

    // Flushes the file to disk, renames it over `name` and makes the rename durable. Returns 0,
    // or the error, after which the temporary file is gone when the object is dropped.
    int Commit()
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

private:
    TTemporaryFile(fs::path folder, std::string name)
        : FFolder(std::move(folder))
        , FName(std::move(name))
    {
    }

    fs::path FFolder;
    std::string FName;
    int FFd = -1;
    int FLock = -1;
    // The name the file has now; empty while it has none and once it is committed.
    fs::path FPath;
};

// The path made absolute and normalised, still a file-system name.
std::string FullPath(const std::string &path)
{
    if (path.empty())
        return path;
    std::error_code ec;
    fs::path full = fs::absolute(fs::path(path), ec);
    if (ec)
        return path;
    return full.lexically_normal().string();
}

} // namespace

std::string MessagePath(const std::string &path)
{
    return Utf8ToCp1251(FullPath(path));
}

std::string CannotOpenMessage(const std::string &path, int error)
{
    return "Cannot open file \"" + MessagePath(path) + "\". " + Reason(error);
}

std::string CannotCreateMessage(const std::string &path, int error)
{
    return CannotCreateFileMessage(FullPath(path), error);
}

namespace {

// The bytes of the open file `fd` from where it stands to its end.
std::string ReadOpenFile(int fd, const std::string &path)
{
    auto readSome = [&](char *into, std::size_t size) -> std::size_t {
        for (;;) {
            const ssize_t got = ::read(fd, into, size);
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR)
                throw EError(CannotOpenMessage(path, errno));
        }
    };

    // A regular file is read straight into a string of its size; a file that shrinks meanwhile
    // is cut to what was read, and one that grows, or that has no size (a pipe, a device), is
    // read on in pieces until its end.
    std::string bytes;
    std::size_t done = 0;
    struct stat info
    {
    };
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        bytes = LargeBlankString(static_cast<std::size_t>(info.st_size));
        while (done < bytes.size()) {
            const std::size_t got = readSome(bytes.data() + done, bytes.size() - done);
            if (got == 0) {
                bytes.resize(done);
                return bytes;
            }
            done += got;
        }
    }
    char buffer[65536];
    while (const std::size_t got = readSome(buffer, sizeof buffer))
        bytes.append(buffer, got);
    return bytes;
}

} // namespace

std::string ReadFileBytes(const std::string &path)
{
    TFileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        throw EError(CannotOpenMessage(path, errno));
    return ReadOpenFile(file.Get(), path);
}

TMappedFile::TMappedFile(const std::string &path)
    : FFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
{
    if (FFd < 0)
        throw EError(CannotOpenMessage(path, errno));
    // The read lease is refused while anyone has the file open for writing, and while it is held
    // an open for writing or a truncation by another process waits until it is given up (or, at
    // worst, for the system's lease-break time), so the mapping cannot lose pages under the reader.
    // Without the lease the bytes are copied.
    struct stat info
    {
    };
    // Taking the lease makes this process the one told of a waiting writer, by SIGIO unless
    // another signal is set, and SIGIO would end the program. The notice goes to nobody once the
    // owner is cleared; until then it is SIGURG, which nothing here handles and which is ignored.
    if (::fcntl(FFd, F_SETSIG, SIGURG) == 0 && ::fcntl(FFd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(FFd, F_SETOWN, 0);
        if (::fstat(FFd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            static_cast<std::uintmax_t>(info.st_size) <= SIZE_MAX) {
            const auto size = static_cast<std::size_t>(info.st_size);
            void *map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, FFd, 0);
            if (map != MAP_FAILED) {
                ::madvise(map, size, MADV_SEQUENTIAL);
                FMap = map;
                FBytes = std::string_view(static_cast<const char *>(map), size);
                return;
            }
        }
        ::fcntl(FFd, F_SETLEASE, F_UNLCK);
    }
    try {
        FCopy = ReadOpenFile(FFd, path);
    } catch (...) {
        ::close(FFd);
        throw;
    }
    ::close(FFd);
    FFd = -1;
    FBytes = FCopy;
}

TMappedFile::~TMappedFile()
{
    if (FMap)
        ::munmap(FMap, FBytes.size());
    if (FFd >= 0) {
        ::fcntl(FFd, F_SETLEASE, F_UNLCK);
        ::close(FFd);
    }
}

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

// The name of the copy beside a file overwritten in place.
fs::path BesideCopy(const fs::path &target)
{
    static constexpr std::string_view Prefix = ".zarvik-backup-";
    const std::string name = target.filename().string();
    const std::string copy = Prefix.size() + name.size() <= MaxNameLength
                                 ? std::string(Prefix) + name
                                 : std::string(Prefix) + Hex16(NameHash(name));
    return FolderOf(target) / copy;
}

// "$XDG_CACHE_HOME/zarvik", or "zarvik" in the ".cache" folder of the user's home; nothing
// when neither is known.
std::optional<fs::path> CacheFolder()
{
    const char *cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/')
        return fs::path(cache) / "zarvik";
    std::string home;
    if (const char *variable = std::getenv("HOME"); variable != nullptr && variable[0] == '/') {
        home = variable;
    } else if (const passwd *user = ::getpwuid(::geteuid());
               user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/') {
        home = user->pw_dir;
    }
    if (home.empty())
        return std::nullopt;
    return fs::path(home) / ".cache" / "zarvik";
}

// The name of the copy in the cache folder of a file overwritten in place: a hash of the file's
// absolute path with every link resolved, then as much of its name as fits.
std::optional<fs::path> CachedCopy(const fs::path &target)
{
    const std::optional<fs::path> folder = CacheFolder();
    if (!folder)
        return std::nullopt;
    fs::path resolved;
    if (char *real = ::realpath(FolderOf(target).c_str(), nullptr)) {
        resolved = fs::path(real) / target.filename();
        std::free(real);
    } else {
        std::error_code ec;
        resolved = fs::absolute(target, ec).lexically_normal();
    }
    std::string name = target.filename().string();
    if (name.size() > MaxNameLength - 17) {
        // Cut before the last character the limit reaches, so no half of a UTF-8 letter is left.
        name.resize(MaxNameLength - 17);
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
            name.pop_back();
        if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0)
            name.pop_back();
    }
    return *folder / (Hex16(NameHash(resolved.string())) + '-' + name);
}

// Makes the folder and the missing folders above it, each with mode 0700. Returns 0, or the
// error.
int MakePrivateFolder(const fs::path &folder)
{
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
        return 0;
    if (errno != ENOENT || folder.parent_path() == folder)
        return errno;
    if (const int error = MakePrivateFolder(folder.parent_path()))
        return error;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

// The cache folder made ready for a copy: a folder of this user's that nobody else may enter.
int PrepareCacheFolder(const fs::path &folder)
{
    if (const int error = MakePrivateFolder(folder))
        return error;
    struct stat info
    {
    };
    if (::lstat(folder.c_str(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return ENOTDIR;
    if (info.st_uid != ::geteuid())
        return EACCES;
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return errno;
    return 0;
}

bool IsRegularFile(const fs::path &path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Removes the copies that interrupted overwrites of the file left.
void RemoveCopies(const fs::path &target)
{
    ::unlink(BesideCopy(target).c_str());
    if (const std::optional<fs::path> cached = CachedCopy(target))
        ::unlink(cached->c_str());
}

// Writes `old`, the bytes of `target`, to a whole copy that is on disk when this returns: beside
// the file when its folder takes new files, otherwise in the cache folder. An earlier copy is
// replaced only by a complete one. Returns where the copy is. Throws EError "Cannot create file
// ..." naming the copy.
fs::path MakeCopy(const fs::path &target, std::string_view old, mode_t oldMode, const TSaveCalls &calls)
{
    fs::path place = BesideCopy(target);
    // Readable by whoever may read the file, written by nobody else.
    mode_t mode = oldMode & 0644;
    int error = 0;
    std::unique_ptr<TTemporaryFile> copy =
        TTemporaryFile::Create(FolderOf(place), place.filename().string(), 0600, calls, error);
    if (!copy && (error == EACCES || error == EPERM || error == EROFS)) {
        if (const std::optional<fs::path> cached = CachedCopy(target)) {
            place = *cached;
            mode = 0600;
            error = PrepareCacheFolder(place.parent_path());
            if (error == 0)
                copy = TTemporaryFile::Create(place.parent_path(), place.filename().string(), 0600, calls,
                                              error);
        }
    }
    if (!copy)
        throw EError(CannotCreateMessage(place.string(), error));
    ::fchmod(copy->Fd(), mode);
    int failure = Reserve(copy->Fd(), 0, old.size(), {});
    if (failure == 0)
        failure = WriteAll(copy->Fd(), old, {});
    if (failure == 0)
        failure = copy->Commit();
    if (failure != 0)
        throw EError(CannotCreateMessage(place.string(), failure));
    RemoveLeftovers(FolderOf(place), place.filename().string());
    return place;
}

// Overwrites the file itself and cuts it to the new length. The bytes are complete in memory and
// the space is reserved before the file is touched, so a size limit or a disk that is already
// full fails the save with the old content intact. Before the first byte is written, a whole
// copy of the old content is on disk (or `copy`, one made before, is taken as it); a write that
// fails then puts the old content back, and the copy goes once the file is whole on disk.
// Saves of one file through this function wait for each other, so none copies another's
// half-written file.
void WriteInPlace(const std::string &path, const fs::path &target, std::string_view bytes,
                  const TSaveCalls &calls, const std::optional<fs::path> &copy = std::nullopt)
{
    TFileHandle file(::open(target.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (file.Get() < 0)
        throw EError(CannotCreateMessage(path, errno));
    auto fail = [&](int error) { throw EError(CannotCreateMessage(path, error)); };
    while (::flock(file.Get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        bytes.size() > limit.rlim_cur)
        fail(EFBIG);
    if (const int error = Reserve(file.Get(), FALLOC_FL_KEEP_SIZE, bytes.size(), calls))
        fail(error);

    std::string old;
    fs::path place;
    if (copy) {
        place = *copy;
    } else {
        struct stat info
        {
        };
        if (::fstat(file.Get(), &info) != 0)
            fail(errno);
        old = ReadOpenFile(file.Get(), path);
        place = MakeCopy(target, old, info.st_mode, calls);
    }

    // From here on the file may be half-written; the copy stays until the file is whole again.
    const auto failWritten = [&](int error) {
        if (!copy && ::lseek(file.Get(), 0, SEEK_SET) == 0 && WriteAll(file.Get(), old, calls.Write) == 0 &&
            ::ftruncate(file.Get(), static_cast<off_t>(old.size())) == 0 && ::fsync(file.Get()) == 0)
            ::unlink(place.c_str());
        fail(error);
    };
    if (::lseek(file.Get(), 0, SEEK_SET) != 0)
        failWritten(errno);
    if (const int error = WriteAll(file.Get(), bytes, calls.Write))
        failWritten(error);
    if (::ftruncate(file.Get(), static_cast<off_t>(bytes.size())) != 0)
        failWritten(errno);
    if (::fsync(file.Get()) != 0)
        failWritten(errno);
    if (file.Close() != 0)
        fail(errno);
    ::unlink(place.c_str());
}

} // namespace

void ReplaceFile(const std::string &path, std::string_view bytes, const TSaveCalls &calls)
{
    ReplaceFile(path, TFileContent{bytes.size(), [bytes](const TFileContent::TPut &put) { put(bytes); }},
                calls);
}

void ReplaceFile(const std::string &path, const TFileContent &content, const TSaveCalls &calls)
{
    const fs::path target = ReplacementTarget(path);
    const fs::path folder = FolderOf(target);
    const std::string name = target.filename().string();

    struct stat old
    {
    };
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw EError(CannotCreateMessage(path, EISDIR));
    const bool regular = exists && S_ISREG(old.st_mode);
    // A rename would replace a file the user may not write to; refuse as writing it would.
    if (regular && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        throw EError(CannotCreateMessage(path, errno));
    // A file overwritten in place gets its whole content made before it is touched.
    const auto writeInPlace = [&] {
        std::string bytes;
        bytes.reserve(content.Size);
        content.Produce([&bytes](std::string_view piece) { bytes.append(piece); });
        WriteInPlace(path, target, bytes, calls);
        RemoveLeftovers(folder, name);
        RemoveCopies(target);
    };
    // Every name of a file with several links must see the new content, so it is overwritten.
    if (regular && old.st_nlink > 1) {
        writeInPlace();
        return;
    }

    int error = 0;
    std::unique_ptr<TTemporaryFile> file = TTemporaryFile::Create(folder, name, 0666, calls, error);
    if (!file) {
        // A folder that takes no new file still lets its writable files be overwritten.
        if (regular && (error == EACCES || error == EPERM)) {
            writeInPlace();
            return;
        }
        throw EError(CannotCreateMessage(path, error));
    }
    // Leaving by an exception drops the temporary file.
    auto fail = [&](int failure) { throw EError(CannotCreateMessage(path, failure)); };

    if (regular) {
        // A file whose owner or group the new one cannot be given (another user's file that the
        // group may write) keeps both: it is overwritten instead of being taken over.
        if (::fchown(file->Fd(), old.st_uid, old.st_gid) != 0) {
            file.reset();
            writeInPlace();
            return;
        }
        ::fchmod(file->Fd(), old.st_mode & 07777);
    }

    // The whole length is allocated at once, so the file does not grow extent by extent while it
    // is written, and a disk that is already full fails the save before the write.
    if (const int failure = Reserve(file->Fd(), 0, content.Size, calls))
        fail(failure);
    std::size_t written = 0;
    content.Produce([&](std::string_view piece) {
        if (const int failure = WriteAll(file->Fd(), piece, calls.Write))
            fail(failure);
        written += piece.size();
    });
    // Content shorter than announced leaves no reserved tail behind.
    if (written < content.Size && ::ftruncate(file->Fd(), static_cast<off_t>(written)) != 0)
        fail(errno);
    if (const int failure = file->Commit())
        fail(failure);
    RemoveLeftovers(folder, name);
    RemoveCopies(target);
}

std::optional<std::string> InterruptedSaveCopy(const std::string &path)
{
    fs::path target;
    try {
        target = ReplacementTarget(path);
    } catch (const EError &) {
        return std::nullopt;
    }
    std::optional<fs::path> copy = BesideCopy(target);
    if (!IsRegularFile(*copy)) {
        copy = CachedCopy(target);
        if (copy && !IsRegularFile(*copy))
            copy.reset();
    }
    if (!copy)
        return std::nullopt;
    std::error_code ec;
    const fs::path absolute = fs::absolute(*copy, ec);
    return (ec ? *copy : absolute).lexically_normal().string();
}

bool RestoreInterruptedSaveCopy(const std::string &path)
{
    const std::optional<std::string> copy = InterruptedSaveCopy(path);
    if (!copy)
        return false;
    const std::string bytes = ReadFileBytes(*copy);
    const fs::path target = ReplacementTarget(path);
    struct stat info
    {
    };
    if (::stat(target.c_str(), &info) != 0) {
        ReplaceFile(path, bytes);
        return true;
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        throw EError(CannotCreateMessage(path, errno));
    WriteInPlace(path, target, bytes, {}, fs::path(*copy));
    RemoveCopies(target);
    return true;
}

} // namespace zarvik
