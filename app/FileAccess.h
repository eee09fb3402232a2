#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Whole-file reading for the program's own files, and the messages of failed file access (saving
// is in app/SafeSave.h). Paths are file-system names (UTF-8 on Linux); the messages of the thrown
// EError are Windows-1251 and name the full path.
namespace zarvik {

// The path as error messages show it: made absolute and normalised, in Windows-1251.
std::string MessagePath(const std::string &path);

// "Cannot open file "<full path>". <reason>" and "Cannot create file "<full path>". <reason>".
std::string CannotOpenMessage(const std::string &path, int error);
std::string CannotCreateMessage(const std::string &path, int error);

// "Cannot open file "<full path>". It is not a regular file": a FIFO, socket, device or folder
// given where a file is read.
std::string NotRegularFileMessage(const std::string &path);

// Opens the existing file `name` (relative to the folder open as `folder`, or to the working
// folder with AT_FDCWD) for reading without ever waiting on it: the open does not block, and
// anything but a regular file is closed again at once, since a FIFO would wait for a writer and a
// device may never answer. `flags` adds to O_RDONLY (O_NOFOLLOW, say). Returns a blocking
// descriptor, or -1 with errno set (EISDIR for a folder); a file of another type gives -1 with
// `notRegular` set.
int OpenRegularFile(int folder, const char *name, int flags = 0, bool *notRegular = nullptr);

// The file's bytes, unchanged. Throws EError "Cannot open file ..." when the file cannot be
// opened or read, or is not a regular file.
std::string ReadFileBytes(const std::string &path);

// The bytes of the open file `fd` from where it stands to its end; `path` names it in the
// EError "Cannot open file ..." thrown when a read fails.
std::string ReadOpenFile(int fd, const std::string &path);

// A whole file's bytes for reading in place. A file on a local file system that honours read
// leases (ext4, XFS, Btrfs, tmpfs) that nobody has open for writing is mapped read-only and held
// with a read lease, so that another process that opens it for writing or truncates it waits
// until this object is gone. Any other file (empty, one being written, one on a network or
// user-space file system, where a mapped page that vanishes or fails to read would kill the
// process) is copied with read() as ReadFileBytes does. Throws the same EError "Cannot open
// file ..." as ReadFileBytes.
class TMappedFile
{
public:
    explicit TMappedFile(const std::string &path);
    TMappedFile(const TMappedFile &) = delete;
    TMappedFile &operator=(const TMappedFile &) = delete;
    ~TMappedFile();

    std::string_view Bytes() const { return FBytes; }
    // Whether the bytes are the file's own pages rather than a copy.
    bool Mapped() const { return FMap != nullptr; }

private:
    int FFd;
    void *FMap = nullptr;
    std::string FCopy;
    std::string_view FBytes;
};

// Makes writing past the file-size limit (RLIMIT_FSIZE) fail with "File too large" instead of
// killing the process with SIGXFSZ. Both programs call it at start-up.
void IgnoreFileSizeSignal();

} // namespace zarvik
