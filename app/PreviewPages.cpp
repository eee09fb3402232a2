#include "app/PreviewPages.h"

#include "app/BrowserLauncher.h"
#include "app/CharsetDeclaration.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Navigation.h"
#include "engine/NavigationText.h"
#include "engine/SiteRules.h"

#include <algorithm>
#include <string>

namespace zarvik {
namespace {

constexpr std::string_view StyleSheetName = "style.css";

// Puts fresh navigation into the model for one page and takes it out again: the menu and the
// page's bar, as the export would build them, with the stored ones restored afterwards.
class TPageNavigation
{
public:
    TPageNavigation(TSiteGenerator &generator, int index)
        : FGenerator(generator)
        , FPage(generator.Pages()[index])
        , FMenu(generator.SiteMenu())
        , FBar(FPage.Pagination())
    {
        generator.SetSiteMenu(BuildSiteMenu(generator.Pages()));
        FPage.SetPagination(BuildPaginationBar(generator.Pages(), index));
    }
    ~TPageNavigation()
    {
        FGenerator.SetSiteMenu(std::move(FMenu));
        FPage.SetPagination(std::move(FBar));
    }
    TPageNavigation(const TPageNavigation &) = delete;
    TPageNavigation &operator=(const TPageNavigation &) = delete;

private:
    TSiteGenerator &FGenerator;
    TSitePage &FPage;
    std::string FMenu;
    TBarText FBar;
};

// The charset the pages declare, kept to the characters a charset name is made of so that a
// template cannot put anything else into a header.
std::string PreviewCharset(const TSiteGenerator &generator)
{
    std::string charset = DeclaredCharset(generator.SiteTemplate());
    const bool plain = std::all_of(charset.begin(), charset.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.' || c == ':';
    });
    if (charset.empty() || !plain)
        return "windows-1251";
    return charset;
}

} // namespace

std::string RenderExportedPage(TSiteGenerator &generator, int index)
{
    const TPageNavigation navigation(generator, index);
    return generator.TemplateProcessingF(index);
}

bool IsPreviewablePageUrl(std::string_view pageUrl)
{
    return !pageUrl.empty() && PageUrlStaysInside(pageUrl) && pageUrl.find('\0') == std::string_view::npos;
}

std::optional<TPreviewFile> RenderPreviewFile(TSiteGenerator &generator, std::string_view path)
{
    const std::string charset = "; charset=" + PreviewCharset(generator);
    // The export writes style.css after the pages, over a page of that name.
    if (path == StyleSheetName)
        return TPreviewFile{generator.CssCode(), "text/css" + charset};
    const TSitePages &pages = generator.Pages();
    for (int i = pages.Count() - 1; i >= 0; --i) {
        const std::string &url = pages[i].PageUrl();
        if (IsPreviewablePageUrl(url) && Cp1251ToUtf8(url) == path)
            return TPreviewFile{RenderExportedPage(generator, i), "text/html" + charset};
    }
    return std::nullopt;
}

std::string PreviewUrlPath(std::string_view pageUrl)
{
    // A file URL percent-encodes its path the way an http path needs it.
    constexpr std::string_view Scheme = "file://";
    return FileUrl(Cp1251ToUtf8(pageUrl)).substr(Scheme.size());
}

} // namespace zarvik
