#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The rules of the link distribution that a report on its result needs too. Text is
// Windows-1251 bytes.
namespace zarvik {

class TLinkWordCollector;

inline constexpr std::size_t MinLinkWordLength = 5;
inline constexpr std::size_t MaxLinkWordLength = 20;

// How many links one page may take: one each while there are no more links than pages,
// otherwise the links spread over all pages but the last, rounded down, plus one.
std::int64_t LinkPageQuota(std::int64_t pages, std::int64_t links);

// Paragraph markup: a blank line ends a paragraph, a single line break becomes <br />.
std::string ParagraphMarkup(std::string_view html);

// Collects the words of a page text that can carry a link into `collector` and lists their
// indices in `chosen`: in order of first appearance, none contained (ignoring case) in an
// earlier one, MinLinkWordLength to MaxLinkWordLength bytes long.
void CollectLinkCandidates(std::string_view pageText, TLinkWordCollector &collector,
                           std::vector<std::size_t> &chosen);

// The same candidates as words.
std::vector<std::string> LinkCandidates(std::string_view pageText);

} // namespace zarvik
