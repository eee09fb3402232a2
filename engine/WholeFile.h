#pragma once

#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/uio.h>
#include <vector>

namespace zarvik {

// A file written whole or not at all. The bytes go to a new file in the folder that will hold
// it (unnamed where the file system allows, else under a unique hidden name), which then takes
// its name: other names of the file it replaces (hard links) keep the old bytes, and a reader,
// a full disk or a killed process never leaves a file cut short. The file gets mode 0644.
class TWholeFile
{
public:
    // Starts a file in the folder open as `folder` (a descriptor, which must stay open until
    // Commit). `path` names the file in error messages. Throws EError (CannotCreateFileMessage)
    // when no file can be made there.
    TWholeFile(int folder, std::string path);
    // Removes the new file unless Commit gave it its name.
    ~TWholeFile();
    TWholeFile(const TWholeFile &) = delete;
    TWholeFile &operator=(const TWholeFile &) = delete;

    void Write(std::string_view bytes)
    {
        const std::string_view pieces[] = {bytes};
        Write(pieces);
    }
    // Writes the pieces one after another, in as few system calls as the kernel allows.
    void Write(std::span<const std::string_view> pieces);

    // Gives the file the name `leaf` in the folder, replacing a file of that name; returns what
    // fstat says of the file now under that name. Throws EError when the bytes may not all be
    // there (a failed close) or the name cannot be given; the new file is removed then.
    struct stat Commit(const std::string &leaf);

private:
    int FFolder;
    std::string FPath;
    int FHandle = -1;
    // The hidden name the file has in the folder; empty while it has none.
    std::string FTemporary;
    std::vector<iovec> FVectors;
};

// Opens the folder `relative` (names joined by '/', empty for the folder itself) inside the folder
// open as `root`, without following a symbolic link on the way and without leaving `root`, so a
// folder swapped for a link after the path was checked is refused rather than written through.
// Returns the descriptor, or -1 with errno set (ELOOP or EXDEV for a link or a way out).
int OpenFolderBeneath(int root, const std::string &relative);

// Whether `name` (a file name, no folder) is one TWholeFile gives its files while they are
// written.
bool IsWholeFileTemporary(std::string_view name);

} // namespace zarvik
