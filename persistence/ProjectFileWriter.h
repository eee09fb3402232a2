#pragma once

#include "engine/EXSiteGenerator.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace zarvik {

// Writes a generator as project text. The text is measured first and then written into a buffer
// of exactly that size, so a large project is written without regrowing its text.
class TProjectFileWriter
{
public:
    // The generator must outlive the writer; it is only read.
    explicit TProjectFileWriter(const TSiteGenerator &generator)
        : FGenerator(generator)
    {
    }

    // The length in bytes of the text that Text() returns.
    std::size_t TextSize() const;
    std::string Text() const;

    // Hands the same text to `put` in consecutive pieces of up to a few hundred kilobytes, so a
    // large project is written out without holding all of its text at once.
    using TPut = std::function<void(std::string_view piece)>;
    void WriteText(const TPut &put) const;

private:
    const TSiteGenerator &FGenerator;
};

} // namespace zarvik
