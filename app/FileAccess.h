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

// The file's bytes, unchanged. Throws EError "Cannot open file ..." when the file cannot be
// opened or read.
std::string ReadFileBytes(const std::string &path);

// The bytes of the open file `fd` from where it stands to its end; `path` names it in the
// EError "Cannot open file ..." thrown when a read fails.
std::string ReadOpenFile(int fd, const std::string &path);

// A whole file's bytes for reading in place. A regular file that nobody has open for writing is
// mapped read-only and held with a read lease, so that another process that opens it for writing
// or truncates it waits until this object is gone; any other file (empty, a pipe, one being
// written, a file system without leases or mappings) is copied as ReadFileBytes does. Throws the
// same EError "Cannot open file ..." as ReadFileBytes.
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
