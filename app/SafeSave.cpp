#include "app/SafeSave.h"

#include "app/FileAccess.h"
#include "app/FileHandle.h"
#include "app/TemporaryFile.h"
#include "engine/Error.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

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

// The name of the copy beside a file overwritten in place.
fs::path BesideCopy(const fs::path &target)
{
    static constexpr std::string_view Prefix = ".zarvik-backup-";
    const std::string name = target.filename().string();
    const std::string copy = Prefix.size() + name.size() <= MaxNameLength
                                 ? std::string(Prefix) + name
                                 : std::string(Prefix) + NameDigest(name);
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
    return *folder / (NameDigest(resolved.string()) + '-' + name);
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
        TTemporaryFile::Create(FolderOf(place), place.filename().string(), 0600, calls.OpenUnnamed, error);
    if (!copy && (error == EACCES || error == EPERM || error == EROFS)) {
        if (const std::optional<fs::path> cached = CachedCopy(target)) {
            place = *cached;
            mode = 0600;
            error = PrepareCacheFolder(place.parent_path());
            if (error == 0)
                copy = TTemporaryFile::Create(place.parent_path(), place.filename().string(), 0600,
                                              calls.OpenUnnamed, error);
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
    std::unique_ptr<TTemporaryFile> file =
        TTemporaryFile::Create(folder, name, 0666, calls.OpenUnnamed, error);
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
