#include "engine/TextReplace.h"

namespace zarvik {

std::size_t ReplaceAllInto(std::string_view text, std::string_view pattern, std::string_view replacement,
                           std::string &out)
{
    if (pattern.empty())
        return 0;
    std::size_t hit = text.find(pattern);
    if (hit == std::string_view::npos)
        return 0;
    out.clear();
    out.reserve(text.size() +
                (replacement.size() > pattern.size() ? replacement.size() - pattern.size() : 0));
    std::size_t from = 0;
    std::size_t count = 0;
    while (hit != std::string_view::npos) {
        out.append(text.substr(from, hit - from));
        out.append(replacement);
        from = hit + pattern.size();
        hit = text.find(pattern, from);
        ++count;
    }
    out.append(text.substr(from));
    return count;
}

std::size_t ReplaceAllInPlace(std::string &text, std::string_view pattern, std::string_view replacement,
                              std::string &scratch)
{
    const std::size_t count = ReplaceAllInto(text, pattern, replacement, scratch);
    if (count > 0)
        text.swap(scratch);
    return count;
}

} // namespace zarvik
