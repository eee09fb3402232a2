#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What the template editor marks and the project check reports about placeholders: words that
// look like a placeholder but are none of the seven, and a main text placeholder that is missing
// or repeated. Text is Windows-1251.
namespace zarvik {

struct TPlaceholderSlip
{
    // Byte range of the word in the template.
    std::size_t Offset = 0;
    std::size_t Length = 0;
    std::string Word;
    // The placeholder meant, when the word differs from one only in letter case or by at most
    // two edits (a letter added, dropped, changed, or two neighbours swapped); else empty.
    std::string Suggestion;
};

struct TTemplateLint
{
    std::vector<TPlaceholderSlip> Slips;
    // How often SiteGeneratorChange.MainText stands in the template.
    int MainTextCount = 0;
};

TTemplateLint LintTemplate(std::string_view text);

// The placeholder a misspelt word most likely means, or empty (see TPlaceholderSlip).
std::string SuggestPlaceholder(std::string_view word);

} // namespace zarvik
