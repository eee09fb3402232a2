#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zarvik {

// A failure that ends a command. Message() is the exact text the user reads, in Windows-1251,
// without a caption and without an added full stop; it may hold any byte, NUL included (a page
// name read from a project file can). what() is the same text as a C string: a NUL byte, which
// would end it early, is written there as the two characters \0.
class EError : public std::runtime_error
{
public:
    explicit EError(const std::string &message)
        : std::runtime_error(CString(message))
        , FMessage(message)
    {
    }

    const std::string &Message() const noexcept { return FMessage; }

private:
    static std::string CString(const std::string &message)
    {
        if (message.find('\0') == std::string::npos)
            return message;
        std::string out;
        out.reserve(message.size() + 8);
        for (const char c : message) {
            if (c == '\0')
                out += "\\0";
            else
                out += c;
        }
        return out;
    }

    std::string FMessage;
};

// The message of a file that cannot be created or written, in Windows-1251:
// "Cannot create file "<path>". <reason>". `path` is the file-system name (UTF-8) as it is to be
// shown; `error` is an errno value, whose text is the system's.
std::string CannotCreateFileMessage(std::string_view path, int error);

} // namespace zarvik
