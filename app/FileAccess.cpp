#include "app/FileAccess.h"

#include "app/FileHandle.h"
#include "engine/Cp1251.h"
#include "engine/Error.h"
#include "persistence/LargeBuffer.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <system_error>
#include <unistd.h>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

std::string Reason(int error)
{
    return Utf8ToCp1251(std::generic_category().message(error));
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

// Whether the open file lies on a local file system whose read leases hold off writers and
// truncation, so that a mapping of it cannot lose pages under the reader. A network or
// user-space file system can shrink a file or fail a read behind the lease's back, and a mapped
// page that cannot be read kills the process with SIGBUS.
bool MayMap(int fd)
{
    struct statfs info
    {
    };
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

// Opens `path` as OpenRegularFile does, or throws the EError of ReadFileBytes.
int OpenForReading(const std::string &path)
{
    bool notRegular = false;
    const int fd = OpenRegularFile(AT_FDCWD, path.c_str(), 0, &notRegular);
    if (fd >= 0)
        return fd;
    throw EError(notRegular ? NotRegularFileMessage(path) : CannotOpenMessage(path, errno));
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

std::string NotRegularFileMessage(const std::string &path)
{
    return "Cannot open file \"" + MessagePath(path) + "\". It is not a regular file";
}

int OpenRegularFile(int folder, const char *name, int flags, bool *notRegular)
{
    if (notRegular)
        *notRegular = false;
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; O_NOCTTY keeps a terminal
    // from becoming the program's own.
    const int fd = ::openat(folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags);
    if (fd < 0)
        return -1;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        // A folder has the system's own reason.
        const bool isFolder = S_ISDIR(info.st_mode);
        if (notRegular)
            *notRegular = !isFolder;
        errno = isFolder ? EISDIR : EINVAL;
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::string CannotCreateMessage(const std::string &path, int error)
{
    return CannotCreateFileMessage(FullPath(path), error);
}

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

std::string ReadFileBytes(const std::string &path)
{
    const TFileHandle file(OpenForReading(path));
    return ReadOpenFile(file.Get(), path);
}

TMappedFile::TMappedFile(const std::string &path)
    : FFd(OpenForReading(path))
{
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
    // The pages are not read ahead (no MAP_POPULATE): the reader touches them in order anyway.
    if (MayMap(FFd) && ::fcntl(FFd, F_SETSIG, SIGURG) == 0 && ::fcntl(FFd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(FFd, F_SETOWN, 0);
        if (::fstat(FFd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            static_cast<std::uintmax_t>(info.st_size) <= SIZE_MAX) {
            const auto size = static_cast<std::size_t>(info.st_size);
            void *map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, FFd, 0);
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

} // namespace zarvik
