#pragma once

#include <cstdint>
#include <string>

// The menu and the pagination bars that GeneratePag builds, and the sizes that follow from them.
// Lengths count bytes.
namespace zarvik {

class TSiteGenerator;
class TSitePages;

// The lengths of the menu and of every page's bar that GeneratePag would build for the pages as
// they are now, worked out from the same markup without building anything. The pages must
// outlive the object and stay as they are while it is used; with no pages there is nothing to
// ask for.
class TNavigationLengths
{
public:
    explicit TNavigationLengths(const TSitePages &pages);

    std::uint64_t Menu() const { return FMenu; }
    // Every page's number entry in its linked form, end to end.
    std::uint64_t Numbers() const { return FNumbers; }
    // The bar of the page at `index` (0-based, valid).
    std::uint64_t Bar(int index) const;

private:
    const TSitePages &FPages;
    std::uint64_t FMenu = 0;
    std::uint64_t FNumbers = 0;
};

// The menu that GeneratePag puts into SiteMenu, built for the pages as they are now.
std::string BuildSiteMenu(const TSitePages &pages);

// The bar that GeneratePag gives the page at `index` (0-based, valid), built on its own: the
// work grows with the page count, not with its square as rebuilding every bar does.
std::string BuildPaginationBar(const TSitePages &pages, int index);

// The bytes an export of the project would write now (the pages and style.css): every page's
// template with its placeholders filled by the texts the export puts there, the menu and the bar
// those it would rebuild. Placeholder names inside the inserted texts are taken as plain text,
// so the figure is exact unless an inserted text holds one.
std::uint64_t EstimateExportBytes(const TSiteGenerator &generator);

} // namespace zarvik
