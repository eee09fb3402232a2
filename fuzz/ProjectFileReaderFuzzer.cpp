// Feeds arbitrary bytes to the project-file reader. Whatever the reader accepts, in whole or up to
// a property error, must write out and read back to the very same text; a syntax error must leave
// the generator untouched; nothing but EError may escape; and the outcome must be that of reading
// in two passes, the whole text checked first.
#include "engine/Error.h"
#include "persistence/ProjectFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Fail(const char *what, const std::string &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

bool EndsWithLineNumber(const std::string &message)
{
    const auto at = message.rfind(" on line ");
    if (at == std::string::npos || at + 9 == message.size())
        return false;
    return message.find_first_not_of("0123456789", at + 9) == std::string::npos;
}

// The error message of reading in two passes, or "" when the text was read whole.
std::string ReadInTwoPasses(std::string_view text, zarvik::TSiteGenerator &generator)
{
    try {
        zarvik::ReadProjectTextInTwoPasses(text, generator);
    } catch (const zarvik::EError &e) {
        return e.what();
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    static const std::string untouched = [] {
        zarvik::TSiteGenerator fresh;
        return zarvik::WriteProjectText(fresh);
    }();

    zarvik::TSiteGenerator generator;
    zarvik::TSiteGenerator twoPasses;
    const std::string twoPassesError = ReadInTwoPasses(text, twoPasses);
    std::string error;
    try {
        zarvik::ReadProjectText(text, generator);
    } catch (const zarvik::EError &e) {
        const std::string message = e.what();
        error = message;
        if (message.rfind("Error reading ", 0) != 0) {
            if (!EndsWithLineNumber(message))
                Fail("malformed message", message);
            if (zarvik::WriteProjectText(generator) != untouched)
                Fail("a syntax error changed the generator", message);
        }
    }

    const std::string written = zarvik::WriteProjectText(generator);
    if (error != twoPassesError)
        Fail("the error differs from reading in two passes", error + " / " + twoPassesError);
    if (written != zarvik::WriteProjectText(twoPasses))
        Fail("the project differs from reading in two passes", written);
    zarvik::TSiteGenerator copy;
    try {
        zarvik::ReadProjectText(written, copy);
    } catch (const zarvik::EError &e) {
        Fail("written text does not read back", e.what());
    }
    if (zarvik::WriteProjectText(copy) != written)
        Fail("written text reads back differently", written);
    return 0;
}
