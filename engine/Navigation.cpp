#include "engine/Navigation.h"

#include "engine/EXSiteGenerator.h"
#include "engine/SiteRules.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zarvik {

namespace {

using namespace navigation_markup;

std::size_t DigitCount(std::size_t n)
{
    std::size_t digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

std::size_t MenuItemLength(const TSitePage &page)
{
    return MenuItemOpen.size() + page.PageUrl().size() + MenuItemMiddle.size() + page.PageTitle().size() +
           MenuItemClose.size();
}

std::size_t LinkedEntryLength(std::string_view url, std::size_t digits)
{
    return EntryOpen.size() + url.size() + EntryMiddle.size() + digits + EntryClose.size();
}

std::size_t CurrentEntryLength(std::size_t digits)
{
    return CurrentOpen.size() + digits + CurrentClose.size();
}

// The back piece, linked to `url` or, for the first page (null), unlinked.
std::size_t BackLength(const std::string *url)
{
    return url ? BackOpen.size() + url->size() + BackClose.size() : FirstBack.size();
}

// The forward piece, linked to `url` or, for the last page (null), unlinked.
std::size_t ForwardLength(const std::string *url)
{
    return url ? ForwardOpen.size() + url->size() + ForwardClose.size() : LastForward.size();
}

const std::string *BackUrl(const TSitePages &pages, std::size_t i)
{
    return i > 0 ? &pages[static_cast<int>(i) - 1].PageUrl() : nullptr;
}

const std::string *ForwardUrl(const TSitePages &pages, std::size_t i)
{
    return i + 1 < static_cast<std::size_t>(pages.Count()) ? &pages[static_cast<int>(i) + 1].PageUrl()
                                                           : nullptr;
}

// The pages' URLs in page order, viewing the pages' own strings.
std::vector<std::string_view> PageUrls(const TSitePages &pages)
{
    std::vector<std::string_view> urls(static_cast<std::size_t>(pages.Count()));
    for (std::size_t n = 0; n < urls.size(); ++n)
        urls[n] = pages[static_cast<int>(n)].PageUrl();
    return urls;
}

std::uint64_t CountOf(std::string_view text, std::string_view what)
{
    std::uint64_t count = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos;
         at = text.find(what, at + what.size()))
        ++count;
    return count;
}

} // namespace

// Every bar lists every page, so the bars together grow with the square of the page count. The
// linked number entries of all pages are therefore built once, end to end, into a row that every
// bar shares: a page's bar is the row with its own entry in the unlinked form and the back and
// forward links around it, held as slices of the row (see TBarText). The menu is one text.
void TSiteGenerator::GeneratePag()
{
    if (FPages.Count() == 0)
        return;
    const auto urls = PageUrls(FPages);
    auto row = std::make_shared<const TNavigationRow>(urls);
    for (std::size_t i = 0; i < urls.size(); ++i)
        FPages[static_cast<int>(i)].SetPagination(TBarText(row, i));
    FSiteMenu = BuildSiteMenu(FPages);
}

TNavigationLengths::TNavigationLengths(const TSitePages &pages)
    : FPages(pages)
{
    const auto count = static_cast<std::size_t>(pages.Count());
    if (count == 0)
        return;
    FMenu = MenuOpen.size() + MenuClose.size();
    for (std::size_t n = 0; n < count; ++n) {
        const TSitePage &page = pages[static_cast<int>(n)];
        FMenu += MenuItemLength(page);
        FNumbers += LinkedEntryLength(page.PageUrl(), DigitCount(n));
    }
}

std::uint64_t TNavigationLengths::Bar(int index) const
{
    const auto i = static_cast<std::size_t>(index);
    const std::size_t digits = DigitCount(i);
    return BackLength(BackUrl(FPages, i)) + FNumbers - LinkedEntryLength(FPages[index].PageUrl(), digits) +
           CurrentEntryLength(digits) + ForwardLength(ForwardUrl(FPages, i));
}

std::string BuildSiteMenu(const TSitePages &pages)
{
    const TNavigationLengths lengths(pages);
    std::string menu;
    menu.reserve(static_cast<std::size_t>(lengths.Menu()));
    menu += MenuOpen;
    for (int i = 0; i < pages.Count(); ++i) {
        const TSitePage &page = pages[i];
        menu.append(MenuItemOpen).append(page.PageUrl()).append(MenuItemMiddle);
        menu.append(page.PageTitle()).append(MenuItemClose);
    }
    menu += MenuClose;
    return menu;
}

std::string BuildPaginationBar(const TSitePages &pages, int index)
{
    const auto urls = PageUrls(pages);
    const TNavigationRow row(urls);
    const auto i = static_cast<std::size_t>(index);
    std::string bar;
    bar.reserve(row.BarSize(i));
    row.ForEachBarSlice(i, [&bar](std::string_view piece) { bar += piece; });
    return bar;
}

std::uint64_t EstimateExportBytes(const TSiteGenerator &generator)
{
    const TSitePages &pages = generator.Pages();
    std::uint64_t total = generator.CssCode().size();
    if (pages.Count() == 0)
        return total;

    const std::string_view text = generator.SiteTemplate();
    std::array<std::uint64_t, Placeholders.size()> uses{};
    std::uint64_t fixed = text.size();
    for (std::size_t p = 0; p < Placeholders.size(); ++p) {
        uses[p] = CountOf(text, Placeholders[p]);
        fixed -= uses[p] * Placeholders[p].size();
    }
    const auto use = [&](TPlaceholder p) { return uses[static_cast<std::size_t>(p)]; };

    const TNavigationLengths navigation(pages);
    const std::uint64_t shared = use(TPlaceholder::Menu) * navigation.Menu() +
                                 use(TPlaceholder::Header) * generator.SiteHeader().size() +
                                 use(TPlaceholder::Footer) * generator.SiteFooter().size() +
                                 use(TPlaceholder::Adsense) * generator.AdsenseCode().size();
    for (int i = 0; i < pages.Count(); ++i) {
        const TSitePage &page = pages[i];
        const std::uint64_t title =
            generator.SiteTitle().size() + PageTitleSeparator.size() + page.PageTitle().size();
        total += fixed + shared + use(TPlaceholder::MainText) * page.PageHTML().size() +
                 use(TPlaceholder::Pagination) * navigation.Bar(i) + use(TPlaceholder::Title) * title;
    }
    return total;
}

} // namespace zarvik
