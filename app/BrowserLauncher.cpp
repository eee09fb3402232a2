#include "app/BrowserLauncher.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace zarvik {
namespace {

namespace fs = std::filesystem;

// The first line a program prints, or nothing when it cannot be run or fails.
std::optional<std::string> FirstLineOf(const std::vector<std::string> &command)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    std::string output;
    if (spawned == 0) {
        std::array<char, 512> buffer;
        ssize_t got = 0;
        while ((got = ::read(pipeFds[0], buffer.data(), buffer.size())) > 0)
            output.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    const std::size_t end = output.find_first_of("\r\n");
    std::string line = output.substr(0, end);
    if (line.empty())
        return std::nullopt;
    return line;
}

// Starts the program without waiting for it; a double fork leaves no zombie behind. Only
// async-signal-safe calls happen between fork and exec.
bool SpawnDetached(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        ::setsid();
        const pid_t grandChild = ::fork();
        if (grandChild == 0) {
            const int devNull = ::open("/dev/null", O_RDWR);
            if (devNull >= 0) {
                ::dup2(devNull, STDIN_FILENO);
                ::dup2(devNull, STDOUT_FILENO);
            }
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        ::_exit(grandChild < 0 ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Whether the program can be started: an executable path, or a name found on PATH.
bool ProgramExists(const std::string &program)
{
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0;
    const char *pathVar = std::getenv("PATH");
    const std::string dirs = pathVar ? pathVar : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        if (::access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

std::vector<fs::path> ApplicationFolders()
{
    std::vector<fs::path> folders;
    const char *dataHome = std::getenv("XDG_DATA_HOME");
    const char *home = std::getenv("HOME");
    if (dataHome && *dataHome)
        folders.emplace_back(fs::path(dataHome) / "applications");
    else if (home && *home)
        folders.emplace_back(fs::path(home) / ".local/share/applications");
    const char *dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        if (end > start)
            folders.emplace_back(fs::path(dirs.substr(start, end - start)) / "applications");
        start = end + 1;
    }
    return folders;
}

} // namespace

std::string FileUrl(std::string_view path)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                           byte == '~' || byte == '/';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += Hex[byte >> 4];
            url += Hex[byte & 15];
        }
    }
    return url;
}

std::vector<std::string> DesktopExecCommand(std::string_view exec, const std::string &url)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    bool urlPlaced = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == '\\' && i + 1 < exec.size()) {
            word += exec[++i];
            inWord = true;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '%' && i + 1 < exec.size()) {
            const char code = exec[++i];
            if (code == '%') {
                word += '%';
            } else if (code == 'u' || code == 'U' || code == 'f' || code == 'F') {
                word += url;
                urlPlaced = true;
            }
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    // A field code standing alone that expanded to nothing leaves an empty word behind.
    std::erase_if(words, [](const std::string &w) { return w.empty(); });
    if (words.empty())
        return {};
    if (!urlPlaced)
        words.push_back(url);
    return words;
}

std::optional<std::string> DesktopEntryExec(const std::string &desktopFile)
{
    if (desktopFile.empty() || desktopFile.find('/') != std::string::npos)
        return std::nullopt;
    for (const fs::path &folder : ApplicationFolders()) {
        std::ifstream in(folder / desktopFile);
        if (!in)
            continue;
        std::string line;
        bool mainGroup = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty() && line.front() == '[')
                mainGroup = line == "[Desktop Entry]";
            else if (mainGroup && line.rfind("Exec=", 0) == 0)
                return line.substr(5);
        }
    }
    return std::nullopt;
}

bool TDesktopBrowserLauncher::Open(const std::string &url)
{
    std::optional<std::string> entry = FirstLineOf({"xdg-settings", "get", "default-web-browser"});
    if (!entry)
        entry = FirstLineOf({"xdg-mime", "query", "default", "x-scheme-handler/http"});
    if (!entry)
        return false;
    const std::optional<std::string> exec = DesktopEntryExec(*entry);
    if (!exec)
        return false;
    const std::vector<std::string> command = DesktopExecCommand(*exec, url);
    return !command.empty() && ProgramExists(command.front()) && SpawnDetached(command);
}

} // namespace zarvik
