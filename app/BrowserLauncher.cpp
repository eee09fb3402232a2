#include "app/BrowserLauncher.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace zarvik {
namespace {

namespace fs = std::filesystem;

// Reads what the child writes into `fd` until it closes it or `deadline` passes; false on time out.
bool ReadUntilClosed(int fd, std::string &output, std::chrono::steady_clock::time_point deadline)
{
    std::array<char, 512> buffer;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd wanted{fd, POLLIN, 0};
        const int ready = ::poll(&wanted, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return ready == 0 ? false : true;
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return true;
        output.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

int WaitForChild(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

// The first line a program prints, or nothing when it cannot be run, fails or does not end
// within `timeout` (then it is killed).
std::optional<std::string> FirstLineOf(const std::vector<std::string> &command,
                                       std::chrono::milliseconds timeout)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
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
    const bool ended =
        spawned == 0 && ReadUntilClosed(pipeFds[0], output, std::chrono::steady_clock::now() + timeout);
    ::close(pipeFds[0]);
    if (spawned != 0)
        return std::nullopt;
    if (!ended)
        ::kill(pid, SIGKILL);
    const int status = WaitForChild(pid);
    if (!ended || status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    const std::size_t end = output.find_first_of("\r\n");
    std::string line = output.substr(0, end);
    if (line.empty())
        return std::nullopt;
    return line;
}

// Starts the program in a session of its own without waiting for it; a thread of its own waits
// for its end, so it leaves no zombie behind. posix_spawn, unlike fork, is safe in a program
// with threads.
bool SpawnDetached(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD, SIGXFSZ})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    std::thread([pid] { WaitForChild(pid); }).detach();
    return true;
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

// A file's text, read through a descriptor no started program inherits.
std::optional<std::string> ReadSmallFile(const fs::path &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
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
        const std::optional<std::string> text = ReadSmallFile(folder / desktopFile);
        if (!text)
            continue;
        std::istringstream in(*text);
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
    // The desktop's choice first, then its handler of web links, then the browsers a Debian
    // system names by these commands. A page handler (text/html) is never asked: it is often an
    // editor.
    const std::vector<std::vector<std::string>> queries{
        {"xdg-settings", "get", "default-web-browser"},
        {"xdg-mime", "query", "default", "x-scheme-handler/http"},
        {"xdg-mime", "query", "default", "x-scheme-handler/https"}};
    for (const auto &query : queries) {
        const std::optional<std::string> entry = FirstLineOf(query, FQueryTimeout);
        if (!entry)
            continue;
        const std::optional<std::string> exec = DesktopEntryExec(*entry);
        if (!exec)
            continue;
        const std::vector<std::string> command = DesktopExecCommand(*exec, url);
        if (!command.empty() && ProgramExists(command.front()) && SpawnDetached(command))
            return true;
    }
    for (const char *browser : {"x-www-browser", "chromium", "firefox-esr", "firefox"}) {
        if (ProgramExists(browser) && SpawnDetached({browser, url}))
            return true;
    }
    return false;
}

} // namespace zarvik
