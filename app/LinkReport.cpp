#include "app/LinkReport.h"

#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/LinkWords.h"
#include "engine/SiteRules.h"

#include <algorithm>
#include <optional>
#include <set>

namespace zarvik {
namespace {

std::string Ru(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

std::string Quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

// The anchor's tags without the spaces planted around them, and what starts an anchor inside a
// target (which ends at the first double quote).
constexpr std::string_view TagOpen = AnchorOpen.substr(1);
constexpr std::string_view TagClose = AnchorClose.substr(0, AnchorClose.size() - 1);
constexpr std::string_view AnchorStart = AnchorOpen.substr(0, AnchorOpen.size() - 1);

// Replaces every occurrence of `what` left to right, without searching the inserted text again,
// and reports the position in `text` (before the replacement) of each occurrence.
template <typename TOnMatch>
int ReplaceCounting(std::string &text, const std::string &what, const std::string &with, TOnMatch onMatch)
{
    if (what.empty())
        return 0;
    std::string out;
    int count = 0;
    std::size_t from = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, from)) {
        onMatch(at);
        out.append(text, from, at - from).append(with);
        from = at + what.size();
        ++count;
    }
    if (count == 0)
        return 0;
    out.append(text, from, std::string::npos);
    text = std::move(out);
    return count;
}

// The opening tag of an anchor for `link`.
std::string OpeningTag(const std::string &link)
{
    return std::string(TagOpen) + link + std::string(AnchorMiddle);
}

// The word of the first anchor for `link` in `body` that is not taken yet, in body order.
std::optional<std::string> AnchorWord(const std::string &body, const std::string &link,
                                      std::set<std::size_t> &taken)
{
    const std::string opening = OpeningTag(link);
    for (std::size_t at = body.find(opening); at != std::string::npos; at = body.find(opening, at + 1)) {
        if (taken.count(at))
            continue;
        const std::size_t wordStart = at + opening.size();
        const std::size_t close = body.find(TagClose, wordStart);
        if (close == std::string::npos)
            return std::nullopt;
        taken.insert(at);
        return body.substr(wordStart, close - wordStart);
    }
    return std::nullopt;
}

struct TAnchoredCandidate
{
    std::size_t Candidate = 0;
    std::size_t At = 0; // where its opening tag stands in the body
};

// The first candidate from `from` on that stands in an anchor for `link` in `body`. Words are
// drawn in candidate order, so this is the word the link went to even when the same link was
// handed out for several words of the page.
std::optional<TAnchoredCandidate> FirstAnchoredCandidate(const std::string &body, const std::string &link,
                                                         const std::vector<std::string> &candidates,
                                                         std::size_t from)
{
    const std::string opening = OpeningTag(link);
    std::optional<TAnchoredCandidate> best;
    for (std::size_t at = body.find(opening); at != std::string::npos; at = body.find(opening, at + 1)) {
        const std::string_view rest = std::string_view(body).substr(at + opening.size());
        const std::size_t end = best ? best->Candidate : candidates.size();
        for (std::size_t c = from; c < end; ++c) {
            const std::string &word = candidates[c];
            if (rest.starts_with(word) && rest.substr(word.size()).starts_with(TagClose)) {
                best = TAnchoredCandidate{c, at};
                break;
            }
        }
    }
    return best;
}

// An anchor whose target holds another anchor: a later word was replaced inside it.
bool HasLinkInsideTarget(const std::string &body)
{
    for (std::size_t at = body.find(TagOpen); at != std::string::npos; at = body.find(TagOpen, at + 1)) {
        const std::size_t start = at + TagOpen.size();
        const std::size_t quote = body.find('"', start);
        if (quote == std::string::npos)
            return false;
        if (std::string_view(body).substr(start, quote - start).find(AnchorStart) != std::string_view::npos)
            return true;
    }
    return false;
}

// Planting the given words (an empty one plants nothing) with their links into the text again.
struct TReplay
{
    std::string Body; // with the paragraph markup
    std::vector<int> Replacements;
    std::vector<bool> InsideLongerWord;
};

TReplay Replay(const std::string &text, const std::vector<std::string> &words,
               const std::vector<std::string> &links)
{
    TReplay replay;
    std::string body = text;
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::string &word = words[k];
        bool insideLonger = false;
        const int count =
            word.empty() ? 0 : ReplaceCounting(body, word, LinkAnchor(links[k], word), [&](std::size_t at) {
                const bool joinedBefore = at > 0 && IsWordByte(word.front()) && IsWordByte(body[at - 1]);
                const std::size_t end = at + word.size();
                const bool joinedAfter =
                    end < body.size() && IsWordByte(word.back()) && IsWordByte(body[end]);
                insideLonger = insideLonger || joinedBefore || joinedAfter;
            });
        replay.Replacements.push_back(count);
        replay.InsideLongerWord.push_back(insideLonger);
    }
    replay.Body = ParagraphMarkup(body);
    return replay;
}

// Works out the words of one page's links from its body and text. Words are drawn in candidate
// order, so each link's word is looked for among the candidates after the word of the link
// before it; an anchor whose word is no candidate any more (a text edited since) is taken in
// body order.
std::vector<std::string> ReconstructWords(const TSitePage &page, const std::vector<std::string> &candidates,
                                          const std::vector<std::string> &links)
{
    const std::string &html = page.PageHTML();
    const std::size_t count = links.size();
    std::vector<std::string> words(count);
    // Position of each word among the candidates.
    std::vector<std::optional<std::size_t>> positions(count);
    std::set<std::size_t> taken;
    std::size_t from = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (const auto found = FirstAnchoredCandidate(html, links[k], candidates, from)) {
            words[k] = candidates[found->Candidate];
            positions[k] = found->Candidate;
            from = found->Candidate + 1;
            taken.insert(found->At);
        }
    }
    for (std::size_t k = 0; k < count; ++k) {
        if (!positions[k]) {
            if (const auto word = AnchorWord(html, links[k], taken))
                words[k] = *word;
        }
    }
    // The candidates that a word without an anchor can be: those between its neighbours.
    const auto between = [&](std::size_t k) {
        std::size_t first = 0;
        for (std::size_t j = k; j-- > 0;) {
            if (positions[j]) {
                first = *positions[j] + 1;
                break;
            }
        }
        std::size_t last = candidates.size();
        for (std::size_t j = k + 1; j < count; ++j) {
            if (positions[j]) {
                last = *positions[j];
                break;
            }
        }
        return std::pair{first, std::max(first, last)};
    };
    // A word without an anchor planted nothing: it was absent from the text when its turn came.
    // It is known when only one candidate between its neighbours was absent then.
    std::string body = page.PageText();
    for (std::size_t k = 0; k < count; ++k) {
        if (words[k].empty()) {
            const auto [first, last] = between(k);
            std::vector<std::size_t> absent;
            for (std::size_t c = first; c < last; ++c) {
                if (body.find(candidates[c]) == std::string::npos)
                    absent.push_back(c);
            }
            if (absent.size() == 1) {
                words[k] = candidates[absent.front()];
                positions[k] = absent.front();
            }
        }
        if (!words[k].empty())
            ReplaceCounting(body, words[k], LinkAnchor(links[k], words[k]), [](std::size_t) {});
    }

    const auto unknown = std::count(words.begin(), words.end(), std::string());
    if (unknown == 1 && Replay(page.PageText(), words, links).Body != html) {
        // One anchor is gone, most likely rewritten by a later word planted inside its target:
        // try the candidates it can be.
        const auto k =
            static_cast<std::size_t>(std::find(words.begin(), words.end(), std::string()) - words.begin());
        const auto [first, last] = between(k);
        for (std::size_t c = first; c < last; ++c) {
            words[k] = candidates[c];
            if (Replay(page.PageText(), words, links).Body == html)
                break;
            words[k].clear();
        }
    }
    return words;
}

// Fills in the words of one page's entries (in link order) and lints the page. `recorded` says
// that the entries' replacement counts are the distribution's own; otherwise they come from
// planting the words into the page's text again.
void ReportPage(const TSitePage &page, int pageIndex, const std::vector<std::string> &words,
                const std::vector<TLinkReportEntry *> &entries, bool recorded, std::vector<TLinkLint> &lints)
{
    if (HasLinkInsideTarget(page.PageHTML())) {
        lints.push_back({TLinkLintKind::InsideEarlierLink, pageIndex, -1,
                         Ru("Страница ") + page.PageUrl() +
                             Ru(": слово заменено внутри адреса ссылки, поставленной раньше")});
    }
    std::vector<std::string> links;
    links.reserve(entries.size());
    for (const TLinkReportEntry *entry : entries)
        links.push_back(entry->Link);
    const TReplay replay = Replay(page.PageText(), words, links);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        entries[k]->Word = words[k];
        if (!recorded)
            entries[k]->Replacements = replay.Replacements[k];
        if (replay.InsideLongerWord[k]) {
            lints.push_back({TLinkLintKind::InsideLongerWord, pageIndex, -1,
                             Ru("Страница ") + page.PageUrl() + Ru(": слово ") + Quoted(words[k]) +
                                 Ru(" заменено внутри более длинного слова")});
        }
    }
    if (replay.Body != page.PageHTML()) {
        lints.push_back({TLinkLintKind::BodyDiffers, pageIndex, -1,
                         Ru("Страница ") + page.PageUrl() +
                             Ru(": текст изменён после распределения ссылок, отчёт по ней приблизителен")});
    }
}

// The report from the distribution's own record: every entry is known; the pages are looked at
// only for the lints. A page without a body took no part in the distribution (every page it
// went over got at least "<p></p>"), so it is not linted.
using TProgress = std::function<void(std::size_t done, std::size_t total)>;

void ReportPageDone(const TProgress &progress, int page, int pages)
{
    if (progress)
        progress(static_cast<std::size_t>(page) + 1, static_cast<std::size_t>(pages));
}

int ReportFromRecord(const TSiteGenerator &generator, const std::vector<TLinkPlacement> &record,
                     TLinkReport &report, const TProgress &progress)
{
    const TSitePages &pages = generator.Pages();
    const TStringList &links = generator.SiteUrlsToLink();
    report.Entries.reserve(record.size());
    for (const TLinkPlacement &placement : record) {
        const int index = pages.IndexOf(*placement.Page);
        report.Entries.push_back({index, placement.Page->PageUrl(), placement.Word,
                                  links.at(static_cast<std::size_t>(placement.LinkIndex)),
                                  placement.Replacements});
    }
    std::vector<std::vector<TLinkReportEntry *>> byPage(static_cast<std::size_t>(pages.Count()));
    for (TLinkReportEntry &entry : report.Entries)
        byPage[static_cast<std::size_t>(entry.PageIndex)].push_back(&entry);
    for (int i = 0; i < pages.Count(); ++i) {
        ReportPageDone(progress, i, pages.Count());
        if (pages[i].PageHTML().empty())
            continue;
        const std::vector<TLinkReportEntry *> &entries = byPage[static_cast<std::size_t>(i)];
        std::vector<std::string> words;
        words.reserve(entries.size());
        for (const TLinkReportEntry *entry : entries)
            words.push_back(entry->Word);
        ReportPage(pages[i], i, words, entries, true, report.Lints);
    }
    return static_cast<int>(record.size());
}

// The report worked out from the pages' texts and bodies, for a project without a record (one
// opened from a file). A distribution hands the links out in list order; each page takes as many
// as it has candidate words, up to the page quota.
int ReconstructReport(const TSiteGenerator &generator, TLinkReport &report, const TProgress &progress)
{
    const TSitePages &pages = generator.Pages();
    const TStringList &links = generator.SiteUrlsToLink();
    const int linkCount = static_cast<int>(links.size());
    const auto quota = static_cast<int>(LinkPageQuota(pages.Count(), linkCount));
    int cursor = 0;
    for (int i = 0; i < pages.Count(); ++i) {
        ReportPageDone(progress, i, pages.Count());
        const TSitePage &page = pages[i];
        const std::vector<std::string> candidates = LinkCandidates(page.PageText());
        const int taken = std::min({quota, static_cast<int>(candidates.size()), linkCount - cursor});
        const std::vector<std::string> pageLinks(links.begin() + cursor, links.begin() + cursor + taken);
        const std::size_t first = report.Entries.size();
        for (const std::string &link : pageLinks)
            report.Entries.push_back({i, page.PageUrl(), {}, link, 0});
        cursor += taken;
        std::vector<TLinkReportEntry *> entries;
        for (std::size_t e = first; e < report.Entries.size(); ++e)
            entries.push_back(&report.Entries[e]);
        ReportPage(page, i, ReconstructWords(page, candidates, pageLinks), entries, false, report.Lints);
    }
    return cursor;
}

} // namespace

TLinkReport BuildLinkReport(const TSiteGenerator &generator, const TProgress &progress)
{
    TLinkReport report;
    if (progress)
        progress(0, static_cast<std::size_t>(generator.Pages().Count()));
    const TSitePages &pages = generator.Pages();
    const TStringList &links = generator.SiteUrlsToLink();
    const int linkCount = static_cast<int>(links.size());

    std::set<std::string> seen;
    for (int i = 0; i < linkCount; ++i) {
        const std::string &link = links[static_cast<std::size_t>(i)];
        const std::string line = Ru("Ссылка в строке ") + std::to_string(i + 1);
        if (link.empty())
            report.Lints.push_back({TLinkLintKind::EmptyLink, -1, i, line + Ru(" пуста")});
        else if (!seen.insert(link).second)
            report.Lints.push_back({TLinkLintKind::DuplicateLink, -1, i,
                                    line + " " + Quoted(link) + Ru(" уже есть выше в списке")});
        if (link.find('\t') != std::string::npos)
            report.Lints.push_back({TLinkLintKind::LinkHoldsTab, -1, i, line + Ru(" содержит табуляцию")});
    }

    const std::vector<TLinkPlacement> *record = generator.LinkPlacements();
    report.Distributed = record != nullptr;
    for (int i = 0; i < pages.Count() && !report.Distributed; ++i)
        report.Distributed = !pages[i].PageHTML().empty();
    if (!report.Distributed) {
        report.NotHandedOut.assign(links.begin(), links.end());
        return report;
    }
    const int cursor = record ? ReportFromRecord(generator, *record, report, progress)
                              : ReconstructReport(generator, report, progress);
    report.NotHandedOut.assign(links.begin() + cursor, links.end());
    return report;
}

std::string LinkReportTsv(const TLinkReport &report)
{
    const auto field = [](std::string text) {
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        return text;
    };
    std::string out = Ru("Страница\tАдрес\tСлово\tСсылка\tЗамен\r\n");
    for (const TLinkReportEntry &e : report.Entries) {
        out += std::to_string(e.PageIndex) + "\t" + field(e.PageUrl) + "\t" + field(e.Word) + "\t" +
               field(e.Link) + "\t" + std::to_string(e.Replacements) + "\r\n";
    }
    return out;
}

} // namespace zarvik
