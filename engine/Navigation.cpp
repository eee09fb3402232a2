#include "engine/EXSiteGenerator.h"

#include <string>
#include <vector>

namespace zarvik {

// Every bar lists every page, so the bars together grow with the square of the page count. The
// linked number entries of all pages are therefore built once, end to end; a page's bar copies
// that run with its own entry swapped for the unlinked form.
void TSiteGenerator::GeneratePag()
{
    const int count = FPages.Count();
    if (count == 0)
        return;

    std::string numbers;
    std::vector<std::size_t> entryStart(static_cast<std::size_t>(count) + 1);
    std::size_t menuSize = 0;
    for (int n = 0; n < count; ++n) {
        const TSitePage &page = FPages[n];
        entryStart[static_cast<std::size_t>(n)] = numbers.size();
        numbers.append(" <a href=\"").append(page.PageUrl()).append("\">");
        numbers.append(std::to_string(n)).append("</a> ");
        menuSize += page.PageUrl().size() + page.PageTitle().size() + 24;
    }
    entryStart[static_cast<std::size_t>(count)] = numbers.size();

    std::string menu;
    menu.reserve(menuSize + 10);
    menu += "<ul>\r";
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        std::string back;
        if (i == 0)
            back = "&lt;&lt;&lt; ";
        else
            back.append("<a href=\"").append(FPages[i - 1].PageUrl()).append("\">&lt;&lt;&lt; </a> ");
        std::string forward;
        if (i + 1 < count)
            forward.append(" <a href=\"").append(FPages[i + 1].PageUrl()).append("\">&gt;&gt;&gt; </a>");
        else
            forward = " &gt;&gt;&gt;";
        std::string current;
        current.append(" ").append(std::to_string(i)).append(" ");

        std::string bar;
        bar.reserve(back.size() + numbers.size() - (entryStart[at + 1] - entryStart[at]) + current.size() +
                    forward.size());
        bar += back;
        bar.append(numbers, 0, entryStart[at]);
        bar += current;
        bar.append(numbers, entryStart[at + 1]);
        bar += forward;
        FPages[i].SetPagination(std::move(bar));

        const TSitePage &page = FPages[i];
        menu.append("<li><a href=\"").append(page.PageUrl()).append("\">");
        menu.append(page.PageTitle()).append("</a></li>\r");
    }
    menu += "</ul>";
    FSiteMenu = std::move(menu);
}

} // namespace zarvik
