#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The texts of sitemap.xml and robots.txt, made from the page list alone (no file access).
// Addresses are absolute, ASCII, built from a base address that PublicBaseUrl gave.
namespace zarvik {

// The largest sitemap file crawlers read: URLs and uncompressed bytes.
constexpr std::size_t SitemapMaxUrls = 50000;
constexpr std::size_t SitemapMaxBytes = 52428800;

// The second line of every sitemap file and the first line of robots.txt this program writes.
// An existing file without it is the user's own and is never overwritten.
constexpr std::string_view SitemapMarker = "<!-- zarvik: rewritten by every export of the site -->";
constexpr std::string_view RobotsMarker = "# zarvik: rewritten by every export of the site";

struct TSitemapPage
{
    // The page URL as the project holds it (Windows-1251), relative to the export folder.
    std::string Url;
    // The date (YYYY-MM-DD) the page's bytes last changed, when known; never a guess.
    std::optional<std::string> LastMod;
};

struct TSitemapLimits
{
    std::size_t Urls = SitemapMaxUrls;
    std::size_t Bytes = SitemapMaxBytes;
};

// A file of the site: its name in the export folder and its whole content.
struct TSiteFileText
{
    std::string Name;
    std::string Bytes;
};

// The sitemap of the pages, one <url> per distinct page URL in page order ("index.html" as the
// base address itself). When the pages fit within `limits` in one file, that is "sitemap.xml"
// holding a <urlset>; otherwise they go into "sitemap1.xml", "sitemap2.xml", ... in order, each
// within the limits, and "sitemap.xml" is a <sitemapindex> of them. Each file is UTF-8 with the
// XML declaration and SitemapMarker on the second line. No pages give no files.
std::vector<TSiteFileText> SitemapFiles(std::string_view publicBase, const std::vector<TSitemapPage> &pages,
                                        const TSitemapLimits &limits = {});

// robots.txt allowing every crawler everything, with a "Sitemap:" line when an address is given.
std::string RobotsText(std::optional<std::string_view> sitemapAddress);

// Whether an existing file's first bytes show it was written by this program.
bool IsOwnSitemap(std::string_view head);
bool IsOwnRobots(std::string_view head);

} // namespace zarvik
