#include "engine/WholeFile.h"

#include "engine/Error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zarvik {
namespace {

constexpr std::string_view TemporaryPrefix = ".zarvik-";
constexpr std::string_view TemporarySuffix = ".tmp";

[[noreturn]] void ThrowCreateError(const std::string &path, int error)
{
    throw EError(CannotCreateFileMessage(path, error));
}

// A hidden name no other writer of this folder uses: the process and a per-process count.
std::string TemporaryName()
{
    static std::atomic<unsigned long> counter{0};
    return std::string(TemporaryPrefix) + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
           std::string(TemporarySuffix);
}

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// OpenFolderBeneath on a kernel without openat2: one name at a time, none of them a link.
int OpenFolderByParts(int root, const std::string &relative)
{
    int folder = ::openat(root, ".", FolderFlags);
    std::size_t from = 0;
    while (folder >= 0 && from < relative.size()) {
        std::size_t slash = relative.find('/', from);
        if (slash == std::string::npos)
            slash = relative.size();
        const std::string part = relative.substr(from, slash - from);
        from = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            ::close(folder);
            errno = EXDEV;
            return -1;
        }
        const int next = ::openat(folder, part.c_str(), FolderFlags);
        const int error = errno;
        ::close(folder);
        errno = error;
        folder = next;
    }
    return folder;
}

} // namespace

int OpenFolderBeneath(int root, const std::string &relative)
{
    static std::atomic<bool> withoutOpenat2{false};
    if (!withoutOpenat2) {
        open_how how{};
        how.flags = static_cast<std::uint64_t>(FolderFlags);
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const char *path = relative.empty() ? "." : relative.c_str();
        const long fd = ::syscall(SYS_openat2, root, path, &how, sizeof how);
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM))
            return static_cast<int>(fd);
        // A sandbox may refuse the call itself; the walk below needs none of it.
        withoutOpenat2 = true;
    }
    return OpenFolderByParts(root, relative);
}

bool IsWholeFileTemporary(std::string_view name)
{
    return name.starts_with(TemporaryPrefix) && name.ends_with(TemporarySuffix);
}

TWholeFile::TWholeFile(int folder, std::string path)
    : FFolder(folder)
    , FPath(std::move(path))
{
    // An unnamed file disappears by itself if the process dies before Commit.
    FHandle = ::openat(FFolder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (FHandle >= 0)
        return;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        ThrowCreateError(FPath, errno);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryName();
        FHandle = ::openat(FFolder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (FHandle >= 0) {
            FTemporary = std::move(name);
            return;
        }
        if (errno != EEXIST)
            ThrowCreateError(FPath, errno);
    }
    ThrowCreateError(FPath, EEXIST);
}

TWholeFile::~TWholeFile()
{
    if (FHandle >= 0)
        ::close(FHandle);
    if (!FTemporary.empty())
        ::unlinkat(FFolder, FTemporary.c_str(), 0);
}

void TWholeFile::Write(std::span<const std::string_view> pieces)
{
    constexpr std::size_t MaxVectors = 1024;
    FVectors.clear();
    for (const std::string_view piece : pieces) {
        if (!piece.empty())
            FVectors.push_back({const_cast<char *>(piece.data()), piece.size()});
    }
    std::size_t first = 0;
    while (first < FVectors.size()) {
        const int count = static_cast<int>(std::min(MaxVectors, FVectors.size() - first));
        const ssize_t written = ::writev(FHandle, FVectors.data() + first, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            ThrowCreateError(FPath, errno);
        }
        auto left = static_cast<std::size_t>(written);
        while (first < FVectors.size() && left >= FVectors[first].iov_len)
            left -= FVectors[first++].iov_len;
        if (left > 0) {
            FVectors[first].iov_base = static_cast<char *>(FVectors[first].iov_base) + left;
            FVectors[first].iov_len -= left;
        }
    }
}

struct stat TWholeFile::Commit(const std::string &leaf)
{
    // Files for the web: readable by all, never executable, whatever the umask or the file
    // replaced. A file system without Unix modes keeps its own.
    static_cast<void>(::fchmod(FHandle, 0644));
    struct stat info;
    if (::fstat(FHandle, &info) != 0)
        ThrowCreateError(FPath, errno);
    // An unnamed file gets a hidden name first: rename is what replaces a file in one step.
    while (FTemporary.empty()) {
        std::string name = TemporaryName();
        int linked = ::linkat(FHandle, "", FFolder, name.c_str(), AT_EMPTY_PATH);
        if (linked != 0 && errno != EEXIST) {
            // Linking a descriptor directly takes a privilege; its /proc name does not.
            const std::string self = "/proc/self/fd/" + std::to_string(FHandle);
            linked = ::linkat(AT_FDCWD, self.c_str(), FFolder, name.c_str(), AT_SYMLINK_FOLLOW);
        }
        if (linked == 0)
            FTemporary = std::move(name);
        else if (errno != EEXIST)
            ThrowCreateError(FPath, errno);
    }
    // A failed close can be the first report of a failed write (a full disk, a network share).
    const int handle = FHandle;
    FHandle = -1;
    if (::close(handle) != 0 && errno != EINTR)
        ThrowCreateError(FPath, errno);
    if (::renameat(FFolder, FTemporary.c_str(), FFolder, leaf.c_str()) != 0)
        ThrowCreateError(FPath, errno);
    FTemporary.clear();
    return info;
}

} // namespace zarvik
