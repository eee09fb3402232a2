#pragma once

#include <unistd.h>

namespace zarvik {

// Closes a descriptor on every path out of a function.
class TFileHandle
{
public:
    explicit TFileHandle(int fd)
        : FFd(fd)
    {
    }
    TFileHandle(const TFileHandle &) = delete;
    TFileHandle &operator=(const TFileHandle &) = delete;
    ~TFileHandle()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    int Get() const { return FFd; }
    // Closes now and reports the result, since close() can be where a delayed write error shows.
    int Close()
    {
        const int result = ::close(FFd);
        FFd = -1;
        return result;
    }

private:
    int FFd;
};

} // namespace zarvik
