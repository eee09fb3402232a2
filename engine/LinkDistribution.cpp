#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/LinkWords.h"
#include "engine/SiteRules.h"
#include "engine/TextReplace.h"
#include "engine/WordIndex.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvik {
namespace {

// Message texts are written here in UTF-8 and shown in the code page of the model.
std::string Message(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

} // namespace

std::int64_t LinkPageQuota(std::int64_t pages, std::int64_t links)
{
    if (pages >= links)
        return 1;
    if (pages < 2)
        return links;
    return links / (pages - 1) + 1;
}

// One pass gives the same result as replacing the double breaks first and the single ones
// afterwards, because a CR LF pair can never start inside another one.
std::string ParagraphMarkup(std::string_view html)
{
    static constexpr std::string_view Blank = "\r\n\r\n";
    static constexpr std::string_view Break = "\r\n";
    std::string out;
    out.reserve(html.size() + html.size() / 8 + 8);
    out += "<p>";
    std::size_t i = 0;
    while (i < html.size()) {
        const std::size_t cr = html.find('\r', i);
        if (cr == std::string_view::npos)
            break;
        out.append(html.substr(i, cr - i));
        if (html.substr(cr, Blank.size()) == Blank) {
            out += "</p><p>";
            i = cr + Blank.size();
        } else if (html.substr(cr, Break.size()) == Break) {
            out += "<br />";
            i = cr + Break.size();
        } else {
            out += '\r';
            i = cr + 1;
        }
    }
    out.append(html.substr(i));
    out += "</p>";
    return out;
}

void CollectLinkCandidates(std::string_view pageText, TLinkWordCollector &collector,
                           std::vector<std::size_t> &chosen)
{
    // Words shorter than the minimum can neither carry a link nor contain a longer word, so
    // they are left out of the collection at once.
    collector.Collect(pageText, MinLinkWordLength);
    chosen.clear();
    for (std::size_t w = 0; w < collector.Count(); ++w) {
        if (collector.Word(w).size() <= MaxLinkWordLength)
            chosen.push_back(w);
    }
}

std::vector<std::string> LinkCandidates(std::string_view pageText)
{
    TLinkWordCollector collector;
    std::vector<std::size_t> chosen;
    CollectLinkCandidates(pageText, collector, chosen);
    std::vector<std::string> words;
    words.reserve(chosen.size());
    for (const std::size_t w : chosen)
        words.emplace_back(collector.Word(w));
    return words;
}

void TSiteGenerator::SetPTegsInPage(int index)
{
    TSitePage &page = FPages.Items(index);
    page.SetPageHTML(ParagraphMarkup(page.PageHTML()));
}

void TSiteGenerator::SetLinks(TPrompter &prompter)
{
    FRandom->Reseed();

    // The checks always run in full, so that no pages and no links are both reported.
    const std::int64_t pageCount = FPages.Count();
    const std::int64_t linkCount = static_cast<std::int64_t>(FSiteUrlsToLink.size());
    bool stop = false;
    if (pageCount == 0) {
        prompter.ask(MessageKind::Error, Message("Страниц сайта не найдено. Добавьте страницы"), Buttons::Ok);
        stop = true;
    }
    if (linkCount == 0)
        prompter.ask(MessageKind::Warning, Message("Ссылок не найдено. Добавьте ссылки"), Buttons::Ok);
    const std::int64_t quota = LinkPageQuota(pageCount, linkCount);
    if (FMaxLinksPerPage > 0 && FMaxLinksPerPage < quota) {
        prompter.ask(MessageKind::Error,
                     Message("Превышено ограничение числа ссылок на страницу. Добавьте страниц или уменьшите "
                             "количество ссылок."),
                     Buttons::Ok);
        stop = true;
    }
    if (stop)
        return;

    // Bodies change from here on; the record of the run before no longer holds even if this one
    // does not end.
    ForgetPlacements();
    TLinkWordCollector collector;
    std::vector<std::size_t> chosen;
    std::string anchor;
    std::string scratch;
    std::int64_t cursor = 0;
    for (int i = 0; i < pageCount; ++i) {
        TSitePage &page = FPages[i];
        CollectLinkCandidates(page.PageText(), collector, chosen);
        if (static_cast<std::int64_t>(chosen.size()) < quota) {
            prompter.ask(MessageKind::Warning,
                         Message("На странице ") + page.PageUrl() +
                             Message(" не достаточно контента. Возможно не все ссылки будут проставлены"),
                         Buttons::Ok);
        }
        if (static_cast<std::int64_t>(chosen.size()) > quota)
            EraseAtRandom(chosen, static_cast<std::size_t>(quota), *FRandom);

        std::string html = page.PageText();
        for (const std::size_t w : chosen) {
            if (cursor >= linkCount)
                break;
            const std::string_view word = collector.Word(w);
            const std::string &link = FSiteUrlsToLink[static_cast<std::size_t>(cursor)];
            anchor.clear();
            AppendLinkAnchor(anchor, link, word);
            const std::size_t replaced = ReplaceAllInPlace(html, word, anchor, scratch);
            FPlacements.push_back(
                {&page, static_cast<int>(cursor), std::string(word), static_cast<int>(replaced)});
            ++cursor;
        }
        page.SetPageHTML(ParagraphMarkup(html));
        ReportProgress(static_cast<std::size_t>(i) + 1, static_cast<std::size_t>(pageCount));
    }

    const std::string counts = std::to_string(cursor) + Message(" ссылок из ") + std::to_string(linkCount);
    if (cursor < linkCount) {
        prompter.ask(MessageKind::Warning,
                     Message("Операция завершена. Проставлено ") + counts +
                         Message(".\rРекомендуется добавить контента и запустить процедуру повторно."),
                     Buttons::Ok);
    } else {
        prompter.ask(MessageKind::Information, Message("Операция успешно завершена.\rПроставлено ") + counts,
                     Buttons::Ok);
    }
    FLinksWasSetted = true;
    FHasPlacements = true;
    FPlacementRemovals = FPages.Removals();
}

const std::vector<TLinkPlacement> *TSiteGenerator::LinkPlacements() const
{
    return FHasPlacements && FPlacementRemovals == FPages.Removals() ? &FPlacements : nullptr;
}

} // namespace zarvik
