#include "app/FileAccess.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
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

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::string MessagePath(const std::string &path)
{
    if (path.empty())
        return path;
    std::error_code ec;
    fs::path full = fs::absolute(fs::path(path), ec);
    if (ec)
        return Utf8ToCp1251(path);
    return Utf8ToCp1251(full.lexically_normal().string());
}

std::string CannotOpenMessage(const std::string &path, int error)
{
    return "Cannot open file \"" + MessagePath(path) + "\". " + Reason(error);
}

std::string CannotCreateMessage(const std::string &path, int error)
{
    return "Cannot create file \"" + MessagePath(path) + "\". " + Reason(error);
}

std::string ReadFileBytes(const std::string &path)
{
    TFileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        throw EError(CannotOpenMessage(path, errno));
    std::string bytes;
    struct stat info
    {
    };
    if (::fstat(file.Get(), &info) == 0 && info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw EError(CannotOpenMessage(path, errno));
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

void ReplaceFile(const std::string &path, std::string_view bytes, const TWriteFunction &write)
{
    const fs::path target = ReplacementTarget(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // The temporary name does not grow with the target's name, so a target whose name is
    // near the file-system limit can still be saved.
    std::string temporary = (folder / ".zarvik-save-XXXXXX").string();
    TFileHandle file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0)
        throw EError(CannotCreateMessage(path, errno));

    auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        throw EError(CannotCreateMessage(path, error));
    };

    struct stat old
    {
    };
    if (::stat(target.c_str(), &old) == 0 && S_ISDIR(old.st_mode))
        fail(EISDIR);
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Keep the file's owner and permissions; a failure here leaves the safe defaults.
        [[maybe_unused]] const int ignored = ::fchown(file.Get(), old.st_uid, old.st_gid);
        ::fchmod(file.Get(), old.st_mode & 07777);
    } else {
        ::fchmod(file.Get(), NewFileMode());
    }

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write ? write(file.Get(), bytes.data() + done, bytes.size() - done)
                                  : ::write(file.Get(), bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (put == 0)
            fail(EIO);
        done += static_cast<std::size_t>(put);
    }
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
}

} // namespace zarvik
