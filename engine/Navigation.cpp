#include "engine/Navigation.h"

#include "engine/EXSiteGenerator.h"
#include "engine/SiteRules.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zarvik {

namespace {

// The menu: MenuOpen, one item per page, MenuClose.
constexpr std::string_view MenuOpen = "<ul>\r";
constexpr std::string_view MenuItemOpen = "<li><a href=\"";
constexpr std::string_view MenuItemMiddle = "\">";
constexpr std::string_view MenuItemClose = "</a></li>\r";
constexpr std::string_view MenuClose = "</ul>";
// A bar: the back piece, every page's number entry (the page's own one unlinked), the forward
// piece.
constexpr std::string_view EntryOpen = " <a href=\"";
constexpr std::string_view EntryMiddle = "\">";
constexpr std::string_view EntryClose = "</a> ";
constexpr std::string_view CurrentOpen = " ";
constexpr std::string_view CurrentClose = " ";
constexpr std::string_view FirstBack = "&lt;&lt;&lt; ";
constexpr std::string_view BackOpen = "<a href=\"";
constexpr std::string_view BackClose = "\">&lt;&lt;&lt; </a> ";
constexpr std::string_view ForwardOpen = " <a href=\"";
constexpr std::string_view ForwardClose = "\">&gt;&gt;&gt; </a>";
constexpr std::string_view LastForward = " &gt;&gt;&gt;";

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
// linked number entries of all pages are therefore built once, end to end; a page's bar copies
// that run with its own entry swapped for the unlinked form. Each bar's length is known before
// it is filled, so it takes exactly one allocation and no temporary strings; the numbers are
// converted once, in the run, and the unlinked entry copies its digits from there. The lengths
// come from TNavigationLengths, which the export's size estimate uses too.
void TSiteGenerator::GeneratePag()
{
    const int count = FPages.Count();
    if (count == 0)
        return;
    const auto pages = static_cast<std::size_t>(count);
    const TNavigationLengths lengths(FPages);

    std::string numbers;
    // entryStart[n] .. entryStart[n + 1] is page n's linked entry; digitStart[n] its number.
    std::vector<std::size_t> entryStart(pages + 1);
    std::vector<std::size_t> digitStart(pages);
    numbers.reserve(static_cast<std::size_t>(lengths.Numbers()));
    for (std::size_t n = 0; n < pages; ++n) {
        entryStart[n] = numbers.size();
        numbers.append(EntryOpen).append(FPages[static_cast<int>(n)].PageUrl()).append(EntryMiddle);
        digitStart[n] = numbers.size();
        numbers.append(std::to_string(n)).append(EntryClose);
    }
    entryStart[pages] = numbers.size();
    const std::string_view run(numbers);

    std::string menu;
    menu.reserve(static_cast<std::size_t>(lengths.Menu()));
    menu += MenuOpen;
    for (std::size_t i = 0; i < pages; ++i) {
        const std::size_t entryEnd = entryStart[i + 1];
        const std::string_view digits =
            run.substr(digitStart[i], entryEnd - EntryClose.size() - digitStart[i]);
        const std::string *backUrl = BackUrl(FPages, i);
        const std::string *forwardUrl = ForwardUrl(FPages, i);

        std::string bar;
        bar.reserve(static_cast<std::size_t>(lengths.Bar(static_cast<int>(i))));
        if (backUrl)
            bar.append(BackOpen).append(*backUrl).append(BackClose);
        else
            bar.append(FirstBack);
        bar.append(run.substr(0, entryStart[i]));
        bar.append(CurrentOpen).append(digits).append(CurrentClose);
        bar.append(run.substr(entryEnd));
        if (forwardUrl)
            bar.append(ForwardOpen).append(*forwardUrl).append(ForwardClose);
        else
            bar.append(LastForward);

        TSitePage &page = FPages[static_cast<int>(i)];
        page.SetPagination(std::move(bar));
        menu.append(MenuItemOpen).append(page.PageUrl()).append(MenuItemMiddle);
        menu.append(page.PageTitle()).append(MenuItemClose);
    }
    menu += MenuClose;
    FSiteMenu = std::move(menu);
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
    const auto i = static_cast<std::size_t>(index);
    const std::string *backUrl = BackUrl(pages, i);
    const std::string *forwardUrl = ForwardUrl(pages, i);
    std::string bar;
    bar.reserve(static_cast<std::size_t>(TNavigationLengths(pages).Bar(index)));
    if (backUrl)
        bar.append(BackOpen).append(*backUrl).append(BackClose);
    else
        bar.append(FirstBack);
    for (int n = 0; n < pages.Count(); ++n) {
        if (n == index)
            bar.append(CurrentOpen).append(std::to_string(n)).append(CurrentClose);
        else
            bar.append(EntryOpen)
                .append(pages[n].PageUrl())
                .append(EntryMiddle)
                .append(std::to_string(n))
                .append(EntryClose);
    }
    if (forwardUrl)
        bar.append(ForwardOpen).append(*forwardUrl).append(ForwardClose);
    else
        bar.append(LastForward);
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
