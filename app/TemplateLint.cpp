#include "app/TemplateLint.h"

#include "engine/SiteRules.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace zarvik {
namespace {

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

// Edits between two words, a swap of neighbours counting as one; stops counting past `limit`.
int EditDistance(std::string_view a, std::string_view b, int limit)
{
    const int n = static_cast<int>(a.size());
    const int m = static_cast<int>(b.size());
    if (std::abs(n - m) > limit)
        return limit + 1;
    std::vector<std::vector<int>> d(static_cast<std::size_t>(n + 1),
                                    std::vector<int>(static_cast<std::size_t>(m + 1)));
    for (int i = 0; i <= n; ++i)
        d[i][0] = i;
    for (int j = 0; j <= m; ++j)
        d[0][j] = j;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

bool IsPlaceholderWordByte(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_';
}

} // namespace

std::string SuggestPlaceholder(std::string_view word)
{
    for (const std::string_view name : Placeholders) {
        if (EqualIgnoringCase(word, name))
            return std::string(name);
    }
    constexpr int MaxEdits = 2;
    int best = MaxEdits + 1;
    std::string_view bestName;
    for (const std::string_view name : Placeholders) {
        const int distance = EditDistance(word, name, MaxEdits);
        if (distance < best) {
            best = distance;
            bestName = name;
        }
    }
    return std::string(bestName);
}

TTemplateLint LintTemplate(std::string_view text)
{
    TTemplateLint lint;
    // A word starts where "SiteGeneratorChange" stands in any letter case, or where a word of
    // the placeholders' form is at most two edits from one of them.
    const std::string_view stem = PlaceholderPrefix.substr(0, PlaceholderPrefix.size() - 1);
    std::size_t at = 0;
    while (at < text.size()) {
        if (at > 0 && IsPlaceholderWordByte(text[at - 1])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && IsPlaceholderWordByte(text[end]))
            ++end;
        if (end == at) {
            ++at;
            continue;
        }
        std::string_view word = text.substr(at, end - at);
        while (!word.empty() && word.back() == '.')
            word.remove_suffix(1);
        const std::size_t dot = word.find('.');
        const std::string_view head = word.substr(0, dot);
        const bool looksLikeOne = EqualIgnoringCase(head, stem) ||
                                  (dot != std::string_view::npos && EditDistance(head, stem, 2) <= 2);
        if (looksLikeOne && std::find(Placeholders.begin(), Placeholders.end(), word) == Placeholders.end())
            lint.Slips.push_back({at, word.size(), std::string(word), SuggestPlaceholder(word)});
        at = end;
    }
    // Counted as the export replaces it: wherever the name stands, inside a longer word too.
    const std::string_view mainText = PlaceholderName(TPlaceholder::MainText);
    for (std::size_t found = text.find(mainText); found != std::string_view::npos;
         found = text.find(mainText, found + mainText.size()))
        ++lint.MainTextCount;
    return lint;
}

} // namespace zarvik
