#include "app/Sitemap.h"

#include "app/SiteAddress.h"

#include <string_view>
#include <unordered_set>

namespace zarvik {
namespace {

constexpr std::string_view Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr std::string_view UrlsetOpen = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
constexpr std::string_view UrlsetClose = "</urlset>\n";
constexpr std::string_view IndexOpen =
    "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
constexpr std::string_view IndexClose = "</sitemapindex>\n";

void AppendXmlEscaped(std::string &out, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
}

std::string Head(std::string_view open)
{
    std::string head(Declaration);
    head += SitemapMarker;
    head += '\n';
    head += open;
    return head;
}

std::string UrlEntry(std::string_view publicBase, const TSitemapPage &page)
{
    std::string entry = "  <url><loc>";
    AppendXmlEscaped(entry, PageAddress(publicBase, page.Url));
    entry += "</loc>";
    if (page.LastMod) {
        entry += "<lastmod>";
        AppendXmlEscaped(entry, *page.LastMod);
        entry += "</lastmod>";
    }
    entry += "</url>\n";
    return entry;
}

std::string SitemapAddress(std::string_view publicBase, std::string_view name)
{
    std::string address(publicBase);
    if (address.empty() || address.back() != '/')
        address += '/';
    address += name;
    return address;
}

} // namespace

std::vector<TSiteFileText> SitemapFiles(std::string_view publicBase, const std::vector<TSitemapPage> &pages,
                                        const TSitemapLimits &limits)
{
    const std::string urlsetHead = Head(UrlsetOpen);
    const std::size_t frame = urlsetHead.size() + UrlsetClose.size();

    std::vector<std::string> bodies;
    std::size_t inBody = 0;
    std::unordered_set<std::string_view> seen;
    seen.reserve(pages.size());
    for (const TSitemapPage &page : pages) {
        if (!seen.insert(page.Url).second)
            continue;
        const std::string entry = UrlEntry(publicBase, page);
        if (bodies.empty() || (inBody > 0 && (inBody == limits.Urls ||
                                              frame + bodies.back().size() + entry.size() > limits.Bytes))) {
            bodies.emplace_back();
            inBody = 0;
        }
        bodies.back() += entry;
        ++inBody;
    }

    std::vector<TSiteFileText> files;
    auto urlset = [&](std::string name, const std::string &body) {
        std::string bytes;
        bytes.reserve(frame + body.size());
        bytes.append(urlsetHead).append(body).append(UrlsetClose);
        files.push_back({std::move(name), std::move(bytes)});
    };
    if (bodies.size() == 1) {
        urlset("sitemap.xml", bodies.front());
        return files;
    }
    if (bodies.empty())
        return files;
    std::string index = Head(IndexOpen);
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        std::string name = "sitemap" + std::to_string(i + 1) + ".xml";
        index += "  <sitemap><loc>";
        AppendXmlEscaped(index, SitemapAddress(publicBase, name));
        index += "</loc></sitemap>\n";
        urlset(std::move(name), bodies[i]);
    }
    index += IndexClose;
    files.insert(files.begin(), {"sitemap.xml", std::move(index)});
    return files;
}

std::string RobotsText(std::optional<std::string_view> sitemapAddress)
{
    std::string text(RobotsMarker);
    text += "\nUser-agent: *\nAllow: /\n";
    if (sitemapAddress) {
        text += "\nSitemap: ";
        text += *sitemapAddress;
        text += '\n';
    }
    return text;
}

bool IsOwnSitemap(std::string_view head)
{
    const std::size_t end = head.find('\n');
    return end != std::string_view::npos && head.substr(end + 1).starts_with(SitemapMarker);
}

bool IsOwnRobots(std::string_view head)
{
    return head.starts_with(RobotsMarker);
}

} // namespace zarvik
