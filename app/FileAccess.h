#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

// Whole-file reading and writing for the program's own files. Paths are file-system names
// (UTF-8 on Linux); the messages of the thrown EError are Windows-1251 and name the full path.
namespace zarvik {

// The path as error messages show it: made absolute and normalised, in Windows-1251.
std::string MessagePath(const std::string &path);

// "Cannot open file "<full path>". <reason>" and "Cannot create file "<full path>". <reason>".
std::string CannotOpenMessage(const std::string &path, int error);
std::string CannotCreateMessage(const std::string &path, int error);

// The file's bytes, unchanged. Throws EError "Cannot open file ..." when the file cannot be
// opened or read.
std::string ReadFileBytes(const std::string &path);

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

// Writes one piece of the data; behaves like ::write (returns the count written, or -1 with
// errno set). Tests replace it to make a write fail part-way.
using TWriteFunction = std::function<ssize_t(int fd, const void *data, std::size_t size)>;

// Replaces the file at `path` by `bytes` so that it is never left half-written: the bytes go
// into a hidden temporary file in the same folder, which is flushed to disk and then renamed
// over the target. A symbolic link is followed and its target replaced; an existing file keeps
// its permissions. On any failure the temporary file is removed, the old file is left as it was,
// and EError "Cannot create file ..." is thrown.
//
// An existing file the user may not write to is refused with "... Permission denied" (or the
// system's reason) and kept. A file with several hard links, and a file in a folder that takes no
// new files, is overwritten in place instead, so only a failing disk can leave it incomplete.
// After a successful save the temporary files that killed saves of the same file left in its
// folder are removed; nothing else is.
void ReplaceFile(const std::string &path, std::string_view bytes, const TWriteFunction &write = {});

// Content that is made piece by piece while it is written: its exact size, and a function that
// hands every piece, in order, to the function it is given.
struct TFileContent
{
    using TPut = std::function<void(std::string_view piece)>;
    std::size_t Size = 0;
    std::function<void(const TPut &put)> Produce;
};

// ReplaceFile for content made while it is written. The temporary file is written as the pieces
// come, so no copy of the whole content is made; the files that are overwritten in place get
// their whole content made in memory first. An exception thrown by
// Produce removes the temporary file and goes on to the caller.
void ReplaceFile(const std::string &path, const TFileContent &content, const TWriteFunction &write = {});

// Makes writing past the file-size limit (RLIMIT_FSIZE) fail with "File too large" instead of
// killing the process with SIGXFSZ. Both programs call it at start-up.
void IgnoreFileSizeSignal();

} // namespace zarvik
