#include "engine/StringList.h"

namespace zarvik {

std::string ListText(const TStringList &lines)
{
    std::size_t size = 0;
    for (const auto &line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string JoinLines(const TStringList &lines)
{
    std::string text = ListText(lines);
    if (!text.empty())
        text.resize(text.size() - 2);
    return text;
}

TStringList SplitLines(std::string_view text)
{
    TStringList lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

} // namespace zarvik
