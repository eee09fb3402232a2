#include "app/FileAccess.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"
#include "persistence/LargeBuffer.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

// Where the data really goes: the final target of a symbolic link, or the path itself.
fs::path ReplacementTarget(const std::string &path)
{
    std::error_code ec;
    const fs::path given(path);
    if (fs::is_symlink(fs::symlink_status(given, ec))) {
        const fs::path resolved = fs::canonical(given, ec);
        if (!ec)
            return resolved;
    }
    return given;
}

// The start of the temporary file names of saves to `target`: hidden, fixed in length whatever
// the target's name (so a name near the file-system limit can still be saved), and telling the
// saves of one file from those of its neighbours by a hash of its name.
std::string TemporaryPrefix(const fs::path &target)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : target.filename().string()) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    static constexpr char Digits[] = "0123456789abcdef";
    std::string prefix = ".zarvik-save-";
    for (int shift = 60; shift >= 0; shift -= 4)
        prefix += Digits[(hash >> shift) & 0xF];
    prefix += '-';
    return prefix;
}

// Removes the temporary files that saves to `target` left behind when they were killed: files
// named by TemporaryPrefix and six more characters that no running save holds locked. Anything
// else in the folder is left alone, and a file that cannot be removed stays.
void RemoveLeftovers(const fs::path &folder, const fs::path &target)
{
    const std::string prefix = TemporaryPrefix(target);
    std::error_code ec;
    fs::directory_iterator entries(folder, ec);
    if (ec)
        return;
    for (const fs::directory_entry &entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix))
            continue;
        if (!entry.is_regular_file(ec) || entry.is_symlink(ec))
            continue;
        TFileHandle leftover(::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (leftover.Get() >= 0 && ::flock(leftover.Get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(entry.path().c_str());
    }
}

// Writes all the bytes, retrying interrupted and short writes; `fail` gets the error and throws.
template <typename F> void WriteAll(int fd, std::string_view bytes, const TWriteFunction &write, F &&fail)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write ? write(fd, bytes.data() + done, bytes.size() - done)
                                  : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (put == 0)
            fail(EIO);
        done += static_cast<std::size_t>(put);
    }
}

// Overwrites the file itself and cuts it to the new length. The bytes are complete in memory
// and the space is reserved before the file is touched, so a size limit or a disk that is
// already full fails the save with the old content intact; only a failing disk can stop it
// half-way.
void WriteInPlace(const std::string &path, const fs::path &target, std::string_view bytes,
                  const TWriteFunction &write)
{
    TFileHandle file(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (file.Get() < 0)
        throw EError(CannotCreateMessage(path, errno));
    auto fail = [&](int error) { throw EError(CannotCreateMessage(path, error)); };
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        bytes.size() > limit.rlim_cur)
        fail(EFBIG);
    // File systems that cannot reserve space are written without it.
    if (!bytes.empty() &&
        ::fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
        (errno == ENOSPC || errno == EDQUOT || errno == EFBIG))
        fail(errno);
    WriteAll(file.Get(), bytes, write, fail);
    if (::ftruncate(file.Get(), static_cast<off_t>(bytes.size())) != 0)
        fail(errno);
    if (::fsync(file.Get()) != 0)
        fail(errno);
    if (file.Close() != 0)
        fail(errno);
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

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

void ReplaceFile(const std::string &path, std::string_view bytes, const TWriteFunction &write)
{
    ReplaceFile(path, TFileContent{bytes.size(), [bytes](const TFileContent::TPut &put) { put(bytes); }},
                write);
}

void ReplaceFile(const std::string &path, const TFileContent &content, const TWriteFunction &write)
{
    const fs::path target = ReplacementTarget(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

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
        WriteInPlace(path, target, bytes, write);
    };
    // Every name of a file with several links must see the new content, so it is overwritten.
    if (regular && old.st_nlink > 1) {
        writeInPlace();
        RemoveLeftovers(folder, target);
        return;
    }

    std::string temporary = (folder / TemporaryPrefix(target)).string() + "XXXXXX";
    TFileHandle file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0) {
        // A folder that takes no new file still lets its writable files be overwritten.
        if (regular && (errno == EACCES || errno == EPERM)) {
            writeInPlace();
            return;
        }
        throw EError(CannotCreateMessage(path, errno));
    }
    // Held until the file is renamed or removed, so that another save's clean-up leaves it alone;
    // the duplicate keeps the lock once the file itself is closed.
    ::flock(file.Get(), LOCK_EX);
    const TFileHandle lock(::dup(file.Get()));

    auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        throw EError(CannotCreateMessage(path, error));
    };

    if (regular) {
        // Keep the file's owner and permissions; a failure here leaves the safe defaults.
        [[maybe_unused]] const int ignored = ::fchown(file.Get(), old.st_uid, old.st_gid);
        ::fchmod(file.Get(), old.st_mode & 07777);
    } else {
        ::fchmod(file.Get(), NewFileMode());
    }

    // The whole length is allocated at once, so the file does not grow extent by extent while it
    // is written, and a disk that is already full fails the save before the write. File systems
    // that cannot allocate ahead are written without it.
    if (content.Size > 0 && ::fallocate(file.Get(), 0, 0, static_cast<off_t>(content.Size)) != 0 &&
        (errno == ENOSPC || errno == EDQUOT || errno == EFBIG))
        fail(errno);
    std::size_t written = 0;
    try {
        content.Produce([&](std::string_view piece) {
            WriteAll(file.Get(), piece, write, fail);
            written += piece.size();
        });
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // Content shorter than announced leaves no reserved tail behind.
    if (written < content.Size && ::ftruncate(file.Get(), static_cast<off_t>(written)) != 0)
        fail(errno);
    if (::fsync(file.Get()) != 0)
        fail(errno);
    if (file.Close() != 0)
        fail(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        fail(errno);

    // Make the rename itself durable; the new file is complete whatever happens here.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    RemoveLeftovers(folder, target);
}

} // namespace zarvik
