#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zarvik::test {

// The user a test runs as when it must not be root: permissions are not checked for root.
constexpr uid_t NobodyId = 65534;

// A forked child that runs a body and hands back the text it returned.
struct TChild
{
    pid_t Pid = -1;
    // The reading end of the pipe the text comes through; -1 when the fork failed.
    int Output = -1;
    std::string Failure;
};

// Starts `body` in a forked child. With `asNobody` a child of a root test first becomes the
// user nobody; a test that runs as another user keeps it, its permissions being checked
// already. Anything the child changes in the process (signals, limits, its user) ends with it.
inline TChild StartChild(const std::function<std::string()> &body, bool asNobody = false)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {-1, -1, "no pipe"};
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return {-1, -1, "no fork"};
    }
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
    return {child, channel[0], {}};
}

// Waits for the child to end and returns the text its body returned, which the test compares,
// or "signal N" when the child was killed.
inline std::string FinishChild(const TChild &child)
{
    if (child.Pid < 0)
        return child.Failure;
    std::string result;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(child.Output, buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(got));
    ::close(child.Output);
    int status = 0;
    ::waitpid(child.Pid, &status, 0);
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return result;
}

// Runs `body` in a forked child and returns what FinishChild returns.
inline std::string RunInChild(const std::function<std::string()> &body, bool asNobody = false)
{
    return FinishChild(StartChild(body, asNobody));
}

// Sets an environment variable for the life of the object, then puts the old value back.
class TScopedVariable
{
public:
    TScopedVariable(const char *name, const std::string &value)
        : FName(name)
    {
        if (const char *old = std::getenv(name))
            FOld = old;
        ::setenv(name, value.c_str(), 1);
    }
    TScopedVariable(const TScopedVariable &) = delete;
    TScopedVariable &operator=(const TScopedVariable &) = delete;
    ~TScopedVariable()
    {
        if (FOld)
            ::setenv(FName, FOld->c_str(), 1);
        else
            ::unsetenv(FName);
    }

private:
    const char *FName;
    std::optional<std::string> FOld;
};

} // namespace zarvik::test
