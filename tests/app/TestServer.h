#pragma once

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zarvik::test {

// A server from tests/app/servers, started for one test and stopped with it. The script prints
// "KEY value" lines before "PORT n"; the server stops when its standard input closes, so it
// never outlives a crashed test. Throws when the server does not come up: a test never skips.
class TTestServer
{
public:
    explicit TTestServer(const std::vector<std::string> &args)
    {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
            throw std::runtime_error("no pipe for the test server");
        FPid = ::fork();
        if (FPid == 0) {
            ::dup2(input[0], STDIN_FILENO);
            ::dup2(output[1], STDOUT_FILENO);
            std::vector<char *> argv;
            argv.push_back(const_cast<char *>("/usr/bin/python3"));
            for (const std::string &arg : args)
                argv.push_back(const_cast<char *>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(input[0]);
        ::close(output[1]);
        FInput = input[1];
        FOutput = output[0];
        std::string lines;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (lines.find("PORT ") == std::string::npos || lines.back() != '\n') {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{FOutput, POLLIN, 0};
            char buffer[256];
            ssize_t got = 0;
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0 ||
                (got = ::read(FOutput, buffer, sizeof buffer)) <= 0) {
                Stop();
                throw std::runtime_error("the test server did not start: " + args.front() + " " + args.at(1));
            }
            lines.append(buffer, static_cast<std::size_t>(got));
        }
        std::size_t start = 0;
        while (start < lines.size()) {
            const std::size_t end = lines.find('\n', start);
            const std::string line = lines.substr(start, end - start);
            const std::size_t space = line.find(' ');
            if (space != std::string::npos)
                FValues.emplace_back(line.substr(0, space), line.substr(space + 1));
            start = end + 1;
        }
        FPort = std::stoi(Value("PORT"));
    }
    ~TTestServer() { Stop(); }
    TTestServer(const TTestServer &) = delete;
    TTestServer &operator=(const TTestServer &) = delete;

    int Port() const { return FPort; }
    std::string Value(const std::string &key) const
    {
        for (const auto &[k, v] : FValues) {
            if (k == key)
                return v;
        }
        return {};
    }

private:
    void Stop()
    {
        if (FInput >= 0)
            ::close(FInput);
        if (FOutput >= 0)
            ::close(FOutput);
        FInput = FOutput = -1;
        if (FPid > 0) {
            int status = 0;
            // The script stops its server once its input closes; give it a moment.
            for (int i = 0; i < 100 && ::waitpid(FPid, &status, WNOHANG) == 0; ++i)
                ::usleep(20000);
            if (::waitpid(FPid, &status, WNOHANG) == 0) {
                ::kill(FPid, SIGTERM);
                ::waitpid(FPid, &status, 0);
            }
            FPid = -1;
        }
    }

    pid_t FPid = -1;
    int FInput = -1;
    int FOutput = -1;
    int FPort = 0;
    std::vector<std::pair<std::string, std::string>> FValues;
};

} // namespace zarvik::test
