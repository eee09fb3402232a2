#pragma once

#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zarvik::test {

// The user a test runs as when it must not be root: permissions are not checked for root.
constexpr uid_t NobodyId = 65534;

// Runs `body` in a forked child and returns the text it returned, which the test compares, or
// "signal N" when the child was killed. With `asNobody` a child of a root test first becomes
// the user nobody; a test that runs as another user keeps it, its permissions being checked
// already. Anything the child changes in the process (signals, limits) ends with it.
inline std::string RunInChild(const std::function<std::string()> &body, bool asNobody = false)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child < 0)
        return "no fork";
    if (child == 0) {
        ::close(channel[0]);
        std::string result;
        if (asNobody && ::geteuid() == 0 && (::setgid(NobodyId) != 0 || ::setuid(NobodyId) != 0)) {
            result = std::string("cannot become nobody: ") + std::strerror(errno);
        } else {
            try {
                result = body();
            } catch (const std::exception &e) {
                result = std::string("exception: ") + e.what();
            }
        }
        std::size_t done = 0;
        while (done < result.size()) {
            const ssize_t put = ::write(channel[1], result.data() + done, result.size() - done);
            if (put <= 0)
                break;
            done += static_cast<std::size_t>(put);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return result;
}

} // namespace zarvik::test
