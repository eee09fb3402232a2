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

// The word of the first anchor for `link` in `body` that is not taken yet.
std::optional<std::string> AnchorWord(const std::string &body, const std::string &link,
                                      std::set<std::size_t> &taken)
{
    const std::string opening = std::string(TagOpen) + link + std::string(AnchorMiddle);
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

struct TPageLinks
{
    int First = 0; // index into the entries
    int Count = 0;
};

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

// Works out the words of one page's entries and their replacement counts. Returns false when
// planting them into the page's text again does not give the stored body.
bool ReplayPage(const TSitePage &page, const std::vector<std::string> &candidates,
                std::vector<TLinkReportEntry> &entries, TPageLinks range, std::vector<TLinkLint> &lints,
                int pageIndex)
{
    const auto count = static_cast<std::size_t>(range.Count);
    std::vector<std::string> words(count);
    std::vector<std::string> links(count);
    // Position of each word among the candidates; words are drawn in candidate order.
    std::vector<std::optional<std::size_t>> positions(count);
    std::set<std::size_t> taken;
    for (std::size_t k = 0; k < count; ++k) {
        links[k] = entries[static_cast<std::size_t>(range.First) + k].Link;
        if (const auto word = AnchorWord(page.PageHTML(), links[k], taken)) {
            const auto found = std::find(candidates.begin(), candidates.end(), *word);
            words[k] = *word;
            if (found != candidates.end())
                positions[k] = static_cast<std::size_t>(found - candidates.begin());
        }
    }
    // The candidates that a word without an anchor can be: those between its neighbours.
    const auto between = [&](std::size_t k) {
        std::size_t from = 0;
        for (std::size_t j = k; j-- > 0;) {
            if (positions[j]) {
                from = *positions[j] + 1;
                break;
            }
        }
        std::size_t to = candidates.size();
        for (std::size_t j = k + 1; j < count; ++j) {
            if (positions[j]) {
                to = *positions[j];
                break;
            }
        }
        return std::pair{from, std::max(from, to)};
    };
    // A word without an anchor planted nothing: it was absent from the text when its turn came.
    // It is known when only one candidate between its neighbours was absent then.
    std::string body = page.PageText();
    for (std::size_t k = 0; k < count; ++k) {
        if (words[k].empty()) {
            const auto [from, to] = between(k);
            std::vector<std::size_t> absent;
            for (std::size_t c = from; c < to; ++c) {
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

    TReplay replay = Replay(page.PageText(), words, links);
    const auto unknown =
        std::count_if(words.begin(), words.end(), [](const std::string &w) { return w.empty(); });
    if (replay.Body != page.PageHTML() && unknown == 1) {
        // One anchor is gone, most likely rewritten by a later word planted inside its target:
        // try the candidates it can be.
        const std::size_t k = static_cast<std::size_t>(
            std::find_if(words.begin(), words.end(), [](const std::string &w) { return w.empty(); }) -
            words.begin());
        const auto [from, to] = between(k);
        for (std::size_t c = from; c < to; ++c) {
            words[k] = candidates[c];
            TReplay trial = Replay(page.PageText(), words, links);
            if (trial.Body == page.PageHTML()) {
                replay = std::move(trial);
                break;
            }
            words[k].clear();
        }
    }

    for (std::size_t k = 0; k < count; ++k) {
        TLinkReportEntry &entry = entries[static_cast<std::size_t>(range.First) + k];
        entry.Word = words[k];
        entry.Replacements = replay.Replacements[k];
        if (replay.InsideLongerWord[k]) {
            lints.push_back({TLinkLintKind::InsideLongerWord, pageIndex, -1,
                             Ru("Страница ") + page.PageUrl() + Ru(": слово ") + Quoted(words[k]) +
                                 Ru(" заменено внутри более длинного слова")});
        }
    }
    return replay.Body == page.PageHTML();
}

} // namespace

TLinkReport BuildLinkReport(const TSiteGenerator &generator)
{
    TLinkReport report;
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

    for (int i = 0; i < pages.Count(); ++i)
        report.Distributed = report.Distributed || !pages[i].PageHTML().empty();
    if (!report.Distributed) {
        report.NotHandedOut.assign(links.begin(), links.end());
        return report;
    }

    const auto quota = static_cast<int>(LinkPageQuota(pages.Count(), linkCount));
    int cursor = 0;
    for (int i = 0; i < pages.Count(); ++i) {
        const TSitePage &page = pages[i];
        const std::vector<std::string> candidates = LinkCandidates(page.PageText());
        const int taken = std::min({quota, static_cast<int>(candidates.size()), linkCount - cursor});
        TPageLinks range{static_cast<int>(report.Entries.size()), taken};
        for (int k = 0; k < taken; ++k) {
            TLinkReportEntry entry;
            entry.PageIndex = i;
            entry.PageUrl = page.PageUrl();
            entry.Link = links[static_cast<std::size_t>(cursor + k)];
            report.Entries.push_back(std::move(entry));
        }
        cursor += taken;
        if (HasLinkInsideTarget(page.PageHTML())) {
            report.Lints.push_back({TLinkLintKind::InsideEarlierLink, i, -1,
                                    Ru("Страница ") + page.PageUrl() +
                                        Ru(": слово заменено внутри адреса ссылки, поставленной раньше")});
        }
        if (!ReplayPage(page, candidates, report.Entries, range, report.Lints, i)) {
            report.Lints.push_back(
                {TLinkLintKind::BodyDiffers, i, -1,
                 Ru("Страница ") + page.PageUrl() +
                     Ru(": текст изменён после распределения ссылок, отчёт по ней приблизителен")});
        }
    }
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
