#include "engine/TextReplace.h"

namespace zarvik {

bool ReplaceAllInto(std::string_view text, std::string_view pattern, std::string_view replacement,
                    std::string &out)
{
    if (pattern.empty())
        return false;
    std::size_t hit = text.find(pattern);
    if (hit == std::string_view::npos)
        return false;
    out.clear();
    out.reserve(text.size() +
                (replacement.size() > pattern.size() ? replacement.size() - pattern.size() : 0));
    std::size_t from = 0;
    while (hit != std::string_view::npos) {
        out.append(text.substr(from, hit - from));
        out.append(replacement);
        from = hit + pattern.size();
        hit = text.find(pattern, from);
    }
    out.append(text.substr(from));
    return true;
}

void ReplaceAllInPlace(std::string &text, std::string_view pattern, std::string_view replacement,
                       std::string &scratch)
{
    if (ReplaceAllInto(text, pattern, replacement, scratch))
        text.swap(scratch);
}

} // namespace zarvik
