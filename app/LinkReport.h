#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zarvik {

class TSiteGenerator;

// Where the links of the last distribution went. All text is Windows-1251.
//
// Right after a distribution the generator's record of it (TSiteGenerator::LinkPlacements) says
// which word every link went to and how often it was replaced. A project opened from a file has
// no record, and neither has one whose pages were deleted or whose link list changed since: then
// the placements are worked out from the pages' texts and bodies. A distribution hands the links
// out in list order; each page takes as many as it has candidate words, up to the page quota, and
// every link taken counts, even one whose word does not occur in the real text (a word joined
// across a lone LF). Which words were drawn is read from the anchors in the bodies, matched in
// the order in which words are drawn; the numbers of replacements come from planting those
// words into the page texts again, which is also checked against the stored bodies.
struct TLinkReportEntry
{
    int PageIndex = 0;
    std::string PageUrl;
    // Empty when the link was used up on the page but its word cannot be told from the body.
    std::string Word;
    std::string Link;
    // How many times the word was replaced in the page; 0 when it does not occur there.
    int Replacements = 0;
};

enum class TLinkLintKind
{
    InsideLongerWord,  // the word was replaced inside a longer word (sunny in sunnyside)
    InsideEarlierLink, // the word was replaced inside the target of an anchor planted before it
    EmptyLink,         // an empty line of the link list
    DuplicateLink,     // a link that occurs earlier in the list
    LinkHoldsTab,      // a link line with a tab (a TSV line taken whole)
    BodyDiffers,       // the page's body is not its text with these links: edited since
};

struct TLinkLint
{
    TLinkLintKind Kind;
    // The page concerned, or -1 for a finding about the link list.
    int PageIndex = -1;
    // The 0-based line of the link list concerned, or -1.
    int LinkIndex = -1;
    // One line for the user, in Russian.
    std::string Message;
};

struct TLinkReport
{
    // False when no page has a body: no distribution has run (or its result was not kept).
    bool Distributed = false;
    std::vector<TLinkReportEntry> Entries;
    // The links after the last one handed out, in list order.
    std::vector<std::string> NotHandedOut;
    std::vector<TLinkLint> Lints;
};

// `progress`, when given, hears how far the report is, `done` of `total` steps (one per page), from
// 0 of them to all.
TLinkReport BuildLinkReport(const TSiteGenerator &generator,
                            const std::function<void(std::size_t done, std::size_t total)> &progress = {});

// The report as tab-separated text: a header line, then one line per entry (page index, URL,
// word, link, replacements), CR LF after every line. Tabs and line breaks inside a field become
// spaces so that every entry stays on its line.
std::string LinkReportTsv(const TLinkReport &report);

} // namespace zarvik
