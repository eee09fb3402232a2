#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Opening a page in the user's web browser. No Qt here: the desktop program and the command-line
// tool both use the desktop launcher as it is.
namespace zarvik {

// Opens a URL in a web browser. Returns false when no browser could be started.
struct TBrowserLauncher
{
    virtual ~TBrowserLauncher() = default;
    virtual bool Open(const std::string &url) = 0;
};

// The "file://" URL of a local path (UTF-8), with every byte outside the unreserved set and "/"
// percent-encoded.
std::string FileUrl(std::string_view path);

// The command line of a desktop entry's Exec value for one URL: the value split into words
// (double quotes group, a backslash escapes the next character), %u %U %f %F replaced by the URL
// (appended when the value has none of them), "%%" kept as "%" and the other field codes
// dropped. Empty when the value holds no program.
std::vector<std::string> DesktopExecCommand(std::string_view exec, const std::string &url);

// The Exec value of the named desktop entry ("firefox.desktop"), looked up in the user's and the
// system's application folders ($XDG_DATA_HOME, $XDG_DATA_DIRS).
std::optional<std::string> DesktopEntryExec(const std::string &desktopFile);

// The desktop's default web browser: the answer of "xdg-settings get default-web-browser", else
// the x-scheme-handler/http (then https) handler of "xdg-mime", else the first of x-www-browser,
// chromium, firefox-esr and firefox found on PATH. The text/html handler is never asked, as it
// is often an editor. A question to the desktop that takes longer than the query time-out is
// given up. Starts the browser in a session of its own, without waiting for it.
class TDesktopBrowserLauncher : public TBrowserLauncher
{
public:
    explicit TDesktopBrowserLauncher(std::chrono::milliseconds queryTimeout = std::chrono::seconds(5))
        : FQueryTimeout(queryTimeout)
    {
    }
    bool Open(const std::string &url) override;

private:
    std::chrono::milliseconds FQueryTimeout;
};

} // namespace zarvik
