#pragma once

#include <stdexcept>
#include <string>

namespace zarvik {

// A failure that ends a command. what() is the exact text the user reads, in Windows-1251,
// without a caption and without an added full stop.
class EError : public std::runtime_error
{
public:
    explicit EError(const std::string &message)
        : std::runtime_error(message)
    {
    }
};

} // namespace zarvik
