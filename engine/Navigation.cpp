#include "engine/EXSiteGenerator.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarvik {

namespace {

constexpr std::string_view EntryOpen = " <a href=\"";
constexpr std::string_view EntryMiddle = "\">";
constexpr std::string_view EntryClose = "</a> ";
constexpr std::string_view FirstBack = "&lt;&lt;&lt; ";
constexpr std::string_view BackOpen = "<a href=\"";
constexpr std::string_view BackClose = "\">&lt;&lt;&lt; </a> ";
constexpr std::string_view ForwardOpen = " <a href=\"";
constexpr std::string_view ForwardClose = "\">&gt;&gt;&gt; </a>";
constexpr std::string_view LastForward = " &gt;&gt;&gt;";

} // namespace

// Every bar lists every page, so the bars together grow with the square of the page count. The
// linked number entries of all pages are therefore built once, end to end; a page's bar copies
// that run with its own entry swapped for the unlinked form. Each bar's length is known before
// it is filled, so it takes exactly one allocation and no temporary strings; the numbers are
// converted once, in the run, and the unlinked entry copies its digits from there.
void TSiteGenerator::GeneratePag()
{
    const int count = FPages.Count();
    if (count == 0)
        return;
    const auto pages = static_cast<std::size_t>(count);

    std::string numbers;
    // entryStart[n] .. entryStart[n + 1] is page n's linked entry; digitStart[n] its number.
    std::vector<std::size_t> entryStart(pages + 1);
    std::vector<std::size_t> digitStart(pages);
    std::size_t numbersSize = 0;
    std::size_t menuSize = 0;
    for (std::size_t n = 0; n < pages; ++n) {
        const TSitePage &page = FPages[static_cast<int>(n)];
        numbersSize += EntryOpen.size() + page.PageUrl().size() + EntryMiddle.size() + 20 + EntryClose.size();
        menuSize += page.PageUrl().size() + page.PageTitle().size() + 24;
    }
    numbers.reserve(numbersSize);
    for (std::size_t n = 0; n < pages; ++n) {
        entryStart[n] = numbers.size();
        numbers.append(EntryOpen).append(FPages[static_cast<int>(n)].PageUrl()).append(EntryMiddle);
        digitStart[n] = numbers.size();
        numbers.append(std::to_string(n)).append(EntryClose);
    }
    entryStart[pages] = numbers.size();
    const std::string_view run(numbers);

    std::string menu;
    menu.reserve(menuSize + 10);
    menu += "<ul>\r";
    for (std::size_t i = 0; i < pages; ++i) {
        const std::size_t entryEnd = entryStart[i + 1];
        const std::string_view digits =
            run.substr(digitStart[i], entryEnd - EntryClose.size() - digitStart[i]);
        const std::string *backUrl = i > 0 ? &FPages[static_cast<int>(i) - 1].PageUrl() : nullptr;
        const std::string *forwardUrl = i + 1 < pages ? &FPages[static_cast<int>(i) + 1].PageUrl() : nullptr;

        const std::size_t backSize =
            backUrl ? BackOpen.size() + backUrl->size() + BackClose.size() : FirstBack.size();
        const std::size_t forwardSize =
            forwardUrl ? ForwardOpen.size() + forwardUrl->size() + ForwardClose.size() : LastForward.size();
        const std::size_t size =
            backSize + entryStart[i] + 1 + digits.size() + 1 + (run.size() - entryEnd) + forwardSize;

        std::string bar;
        bar.reserve(size);
        if (backUrl)
            bar.append(BackOpen).append(*backUrl).append(BackClose);
        else
            bar.append(FirstBack);
        bar.append(run.substr(0, entryStart[i]));
        bar.append(1, ' ').append(digits).append(1, ' ');
        bar.append(run.substr(entryEnd));
        if (forwardUrl)
            bar.append(ForwardOpen).append(*forwardUrl).append(ForwardClose);
        else
            bar.append(LastForward);

        TSitePage &page = FPages[static_cast<int>(i)];
        page.SetPagination(std::move(bar));
        menu.append("<li><a href=\"").append(page.PageUrl()).append("\">");
        menu.append(page.PageTitle()).append("</a></li>\r");
    }
    menu += "</ul>";
    FSiteMenu = std::move(menu);
}

} // namespace zarvik
