#include "engine/EXSiteGenerator.h"

#include "engine/SiteRules.h"

#include <stdexcept>

namespace zarvik {

int TSitePage::Index() const
{
    return FCollection->IndexOf(*this);
}

void TSitePage::SetIndex(int index)
{
    FCollection->Move(Index(), index);
}

void TSitePage::Assign(const TSitePage &other)
{
    FPageText = other.FPageText;
    FPageHTML = other.FPageHTML;
    FPageTitle = other.FPageTitle;
    FPageUrl = other.FPageUrl;
    FPagination = other.FPagination;
}

TSitePage &TSitePages::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

TSitePage &TSitePages::Add()
{
    FItems.push_back(std::make_unique<TSitePage>(*this));
    return *FItems.back();
}

void TSitePages::Delete(int index)
{
    Items(index);
    FItems.erase(FItems.begin() + index);
    ++FRemovals;
}

void TSitePages::Move(int from, int to)
{
    Items(from);
    Items(to);
    auto page = std::move(FItems[static_cast<std::size_t>(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(page));
}

std::unique_ptr<TSitePage> TSitePages::Detach(int index)
{
    Items(index);
    auto page = std::move(FItems[static_cast<std::size_t>(index)]);
    FItems.erase(FItems.begin() + index);
    ++FRemovals;
    return page;
}

void TSitePages::Attach(int index, std::unique_ptr<TSitePage> page)
{
    if (index < 0 || index > Count() || !page || &page->Collection() != this)
        throw std::out_of_range("TSitePages::Attach");
    FItems.insert(FItems.begin() + index, std::move(page));
}

int TSitePages::IndexOf(const TSitePage &page) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == &page)
            return static_cast<int>(i);
    }
    return -1;
}

void TSitePages::Assign(const TSitePages &other)
{
    if (&other == this)
        return;
    ++FRemovals;
    FItems.clear();
    FItems.reserve(other.FItems.size());
    for (const auto &page : other.FItems)
        Add().Assign(*page);
}

TSiteGenerator::TSiteGenerator()
    : FRandom(std::make_unique<TClockRandom>())
{
}

TSiteGenerator::~TSiteGenerator() = default;

void TSiteGenerator::SetPages(const TSitePages &pages)
{
    FPages.Assign(pages);
    FChanged = true;
}

void TSiteGenerator::SetSiteText(TStringList lines)
{
    FSiteText = std::move(lines);
    FChanged = true;
}

void TSiteGenerator::SetSiteTemplate(std::string value)
{
    FSiteTemplate = std::move(value);
    FChanged = true;
}

void TSiteGenerator::SetSiteUrlsToLink(TStringList lines)
{
    // The editors push the same list before every save and export; only other lines make the
    // placement record name links that are not in the list.
    if (lines != FSiteUrlsToLink)
        ForgetPlacements();
    FSiteUrlsToLink = std::move(lines);
    FChanged = true;
}

void TSiteGenerator::SetSiteTitle(std::string value)
{
    FSiteTitle = std::move(value);
    FChanged = true;
}

void TSiteGenerator::SetUseDigg(bool value)
{
    FUseDigg = value;
    FChanged = true;
}

void TSiteGenerator::SetDiggValue(std::string value)
{
    FDiggValue = std::move(value);
    FChanged = true;
}

void TSiteGenerator::SetAlgoType(std::int32_t value)
{
    FAlgoType = value;
    FChanged = true;
}

void TSiteGenerator::SetMaxLinksPerPage(std::int32_t value)
{
    FMaxLinksPerPage = value;
    FChanged = true;
}

void TSiteGenerator::SetMaxPages(std::int32_t value)
{
    FMaxPages = value;
    FChanged = true;
}

void TSiteGenerator::SetMenuWord(std::string value)
{
    FMenuWord = std::move(value);
    FChanged = true;
}

void TSiteGenerator::SetSiteTemplateFromStrings(const TStringList &lines)
{
    SetSiteTemplate(ListText(lines));
}

std::string TSiteGenerator::NewPageTitle(int index) const
{
    if (index == 0)
        return "index";
    return FMenuWord + " " + std::to_string(index);
}

TSitePage &TSiteGenerator::AddPage(std::string title)
{
    const int index = FPages.Count();
    TSitePage &page = FPages.Add();
    page.SetPageTitle(std::move(title));
    page.SetPageUrl(NewPageUrl(index));
    return page;
}

TSitePage &TSiteGenerator::CreateNewPage(std::string title, std::string text)
{
    TSitePage &page = AddPage(std::move(title));
    page.SetPageText(std::move(text));
    return page;
}

void TSiteGenerator::SetRandomSource(std::unique_ptr<TRandomSource> source)
{
    FRandom = source ? std::move(source) : std::make_unique<TClockRandom>();
}

} // namespace zarvik
