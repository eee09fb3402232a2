#include "app/Sitemap.h"

#include "tests/app/TempDir.h"
#include "tests/support/Ru.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace zarvik;
using zarvik::test::Ru;
using zarvik::test::TTempDir;

namespace {

const std::string Base = "https://xn--80ai1b.xn--p1ai/";

// Whether xmllint finds the file valid against one of the protocol's schemas in the test data.
bool Validates(const TTempDir &dir, const TSiteFileText &file, const char *schema)
{
    const std::string path = dir.Write(file.Name, file.Bytes);
    const std::string command = "xmllint --noout --schema '" + std::string(ZARVIK_TEST_DATA) + "/sitemap/" +
                                schema + "' '" + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

std::size_t Count(const std::string &text, const std::string &what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

std::vector<TSitemapPage> NumberedPages(std::size_t count)
{
    std::vector<TSitemapPage> pages;
    pages.reserve(count);
    pages.push_back({"index.html", std::nullopt});
    for (std::size_t i = 1; i < count; ++i)
        pages.push_back({"page" + std::to_string(i) + ".html", std::nullopt});
    return pages;
}

} // namespace

TEST(Sitemap, SmallSiteIsOneUrlsetThatTheSchemaAccepts)
{
    const std::vector<TSitemapPage> pages = {
        {"index.html", std::nullopt},
        {Ru("сад и огород.html"), "2026-03-01"},
        {"a&b.html", std::nullopt},
        {"index.html", "2026-03-02"},
    };
    const std::vector<TSiteFileText> files = SitemapFiles(Base, pages);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].Name, "sitemap.xml");
    EXPECT_EQ(files[0].Bytes, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<!-- zarvik: rewritten by every export of the site -->\n"
                              "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
                              "  <url><loc>https://xn--80ai1b.xn--p1ai/</loc></url>\n"
                              "  <url><loc>https://xn--80ai1b.xn--p1ai/"
                              "%D1%81%D0%B0%D0%B4%20%D0%B8%20%D0%BE%D0%B3%D0%BE%D1%80%D0%BE%D0%B4.html</loc>"
                              "<lastmod>2026-03-01</lastmod></url>\n"
                              "  <url><loc>https://xn--80ai1b.xn--p1ai/a%26b.html</loc></url>\n"
                              "</urlset>\n");
    TTempDir dir;
    EXPECT_TRUE(Validates(dir, files[0], "sitemap.xsd"));
    EXPECT_FALSE(Validates(dir, files[0], "siteindex.xsd"));
    EXPECT_TRUE(SitemapFiles(Base, {}).empty());
}

TEST(Sitemap, MoreThanFiftyThousandUrlsSplitUnderAnIndex)
{
    const std::vector<TSiteFileText> exact = SitemapFiles(Base, NumberedPages(SitemapMaxUrls));
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_EQ(Count(exact[0].Bytes, "<url>"), 50000u);

    const std::vector<TSiteFileText> files = SitemapFiles(Base, NumberedPages(50001));
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].Name, "sitemap.xml");
    EXPECT_EQ(files[1].Name, "sitemap1.xml");
    EXPECT_EQ(files[2].Name, "sitemap2.xml");
    EXPECT_EQ(files[0].Bytes, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<!-- zarvik: rewritten by every export of the site -->\n"
                              "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
                              "  <sitemap><loc>https://xn--80ai1b.xn--p1ai/sitemap1.xml</loc></sitemap>\n"
                              "  <sitemap><loc>https://xn--80ai1b.xn--p1ai/sitemap2.xml</loc></sitemap>\n"
                              "</sitemapindex>\n");
    EXPECT_EQ(Count(files[1].Bytes, "<url>"), 50000u);
    EXPECT_EQ(Count(files[2].Bytes, "<url>"), 1u);
    EXPECT_NE(files[2].Bytes.find("<loc>https://xn--80ai1b.xn--p1ai/page50000.html</loc>"),
              std::string::npos);
    TTempDir dir;
    EXPECT_TRUE(Validates(dir, files[0], "siteindex.xsd"));
    EXPECT_TRUE(Validates(dir, files[1], "sitemap.xsd"));
    EXPECT_TRUE(Validates(dir, files[2], "sitemap.xsd"));
}

TEST(Sitemap, ByteLimitSplitsInPageOrderAndEveryFileKeepsIt)
{
    const TSitemapLimits limits{50000, 700};
    const std::vector<TSitemapPage> pages = NumberedPages(40);
    const std::vector<TSiteFileText> files = SitemapFiles(Base, pages, limits);
    ASSERT_GT(files.size(), 3u);
    std::string all;
    for (std::size_t i = 1; i < files.size(); ++i) {
        EXPECT_LE(files[i].Bytes.size(), limits.Bytes) << files[i].Name;
        EXPECT_EQ(files[i].Name, "sitemap" + std::to_string(i) + ".xml");
        all += files[i].Bytes;
    }
    EXPECT_EQ(Count(all, "<url>"), pages.size());
    EXPECT_LT(all.find("page9.html"), all.find("page10.html"));
    EXPECT_EQ(Count(files[0].Bytes, "<sitemap>"), files.size() - 1);
}

TEST(Robots, AllowsEverythingAndNamesTheSitemap)
{
    EXPECT_EQ(RobotsText("https://example.ru/sitemap.xml"),
              "# zarvik: rewritten by every export of the site\n"
              "User-agent: *\nAllow: /\n\n"
              "Sitemap: https://example.ru/sitemap.xml\n");
    EXPECT_EQ(RobotsText(std::nullopt),
              "# zarvik: rewritten by every export of the site\nUser-agent: *\nAllow: /\n");
    EXPECT_TRUE(IsOwnRobots(RobotsText(std::nullopt)));
    EXPECT_FALSE(IsOwnRobots("User-agent: *\n# zarvik: rewritten by every export of the site\n"));
    EXPECT_TRUE(IsOwnSitemap(SitemapFiles(Base, NumberedPages(1))[0].Bytes));
    EXPECT_FALSE(
        IsOwnSitemap("<?xml version=\"1.0\"?>\n<urlset/>\n<!-- zarvik: rewritten by every export of the "
                     "site -->\n"));
}
