#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>

namespace zarvik {

// A string of `size` NUL bytes for a whole file's text. A big one is asked to be backed by huge
// pages before its memory is first touched, so that filling it takes one page fault per 2 MiB
// instead of one per 4 KiB; where the system gives no huge pages it is an ordinary string.
inline std::string LargeBlankString(std::size_t size)
{
    constexpr std::size_t HugePage = std::size_t{2} << 20;
    std::string text;
    // Allocates without writing more than the terminator at the start.
    text.reserve(size);
    if (size >= 4 * HugePage) {
        const auto start = reinterpret_cast<std::uintptr_t>(text.data());
        const std::uintptr_t first = (start + HugePage - 1) & ~(HugePage - 1);
        const std::uintptr_t end = (start + size) & ~(HugePage - 1);
        if (end > first)
            ::madvise(reinterpret_cast<void *>(first), end - first, MADV_HUGEPAGE);
    }
    text.resize(size);
    return text;
}

} // namespace zarvik
