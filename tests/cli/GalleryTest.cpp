#include "app/Gallery.h"

#include "engine/Cp1251.h"
#include "tests/app/TempDir.h"
#include "tests/cli/CliRunner.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <unistd.h>

using namespace zarvik;
using zarvik::test::Invoke;
using zarvik::test::OpenProject;
using zarvik::test::ReadAll;
using zarvik::test::TTempDir;

namespace fs = std::filesystem;

namespace {

// What a page loads by itself: src attributes, <link href>, url() and @import in styles.
std::vector<std::string> LoadedReferences(const std::string &text)
{
    static const std::regex pattern(
        R"re((?:\bsrc\s*=\s*["']?|<link\b[^>]*\bhref\s*=\s*["']?|url\(\s*["']?|@import\s+["'])([^"'\s)>]+))re",
        std::regex::icase);
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it)
        out.push_back((*it)[1].str());
    return out;
}

bool StaysInFolder(const std::string &reference)
{
    return reference.find(':') == std::string::npos && reference.rfind("//", 0) != 0 &&
           reference.front() != '/' && reference.find("..") == std::string::npos;
}

// The page at `url` as headless Chromium lays it out in a frame `width` pixels wide: its
// scroll width, its client width, the length of its text and its body's background colour.
std::string Measure(const TTempDir &work, const std::string &url, int width)
{
    const std::string harness = work.Write("harness.html", R"(<!DOCTYPE html><html><body>
<iframe id="f" style="width:)" + std::to_string(width) + R"(px;height:800px;border:0"></iframe>
<script>
const f = document.getElementById('f');
f.onload = () => {
  const d = f.contentDocument;
  document.body.setAttribute('data-result', [d.documentElement.scrollWidth, d.documentElement.clientWidth,
    d.body.innerText.length, getComputedStyle(d.body).backgroundColor].join('|'));
};
f.src = location.hash.substring(1);
</script></body></html>)");
    const std::string dom = work.File("dom.html");
    const std::string command =
        "timeout 90 /usr/bin/chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-quic"
        " --disable-background-networking --disable-component-update --disable-sync "
        "--allow-file-access-from-files"
        " --virtual-time-budget=5000 --user-data-dir=" +
        work.File("profile") + " --dump-dom 'file://" + harness + "#" + url + "' >" + dom + " 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return "chromium failed: " + command;
    const std::string shown = ReadAll(dom);
    const std::size_t at = shown.find("data-result=\"");
    if (at == std::string::npos)
        return "no result";
    return shown.substr(at + 13, shown.find('"', at + 13) - at - 13);
}

} // namespace

TEST(Gallery, EveryTemplateMakesAPageThatFitsAPhoneAndLoadsNothingFromOutside)
{
    ASSERT_EQ(::access("/usr/bin/chromium", X_OK), 0)
        << "chromium is not installed (scripts/install-deps.sh)";
    const std::string folder = GalleryFolder();
    ASSERT_FALSE(folder.empty());
    const std::vector<TGalleryEntry> entries = ListGallery(folder);
    ASSERT_GE(entries.size(), 4u);
    const std::string examples = ZARVIK_EXAMPLES;
    for (const TGalleryEntry &entry : entries) {
        SCOPED_TRACE(entry.Name);
        TTempDir dir;
        const std::string project = dir.File("p.sgp");
        fs::create_directory(dir.Path() / "site");
        const std::string site = (dir.Path() / "site").string();
        // The ad block is the user's own; it is left empty so that only the template is judged.
        const auto built = Invoke({"build", "--content", examples + "/content/01-tomaty.txt",
                                   examples + "/content/02-ogurcy.txt", examples + "/content/03-perec.txt",
                                   "--links", examples + "/links.txt", "--ad", dir.Write("ad.txt", ""),
                                   "--out", site, "--project", project, "--seed", "7"});
        ASSERT_EQ(built.Code, 0) << built.Err;
        ASSERT_EQ(Invoke({"set", project, "--gallery", entry.Name}).Code, 0);
        ASSERT_EQ(Invoke({"export", project, "--out", site}).Code, 0);

        // All seven placeholders are used: none is left over and the page has its parts.
        const std::string style = ReadAll(site + "/style.css");
        for (const auto &file : fs::directory_iterator(site)) {
            const std::string text = ReadAll(file.path().string());
            EXPECT_EQ(text.find("SiteGeneratorChange"), std::string::npos) << file.path();
            for (const std::string &reference : LoadedReferences(text))
                EXPECT_TRUE(StaysInFolder(reference)) << file.path() << ": " << reference;
        }
        const std::string page = ReadAll(site + "/page1.html");
        EXPECT_NE(page.find("windows-1251"), std::string::npos);
        EXPECT_NE(page.find("<main"), std::string::npos);
        EXPECT_NE(page.find("<nav"), std::string::npos);
        EXPECT_NE(style.find(":focus-visible"), std::string::npos);

        TTempDir work;
        for (const int width : {360, 1920}) {
            const std::string result = Measure(work, "file://" + site + "/page1.html", width);
            std::smatch parts;
            ASSERT_TRUE(std::regex_match(result, parts, std::regex(R"((\d+)\|(\d+)\|(\d+)\|(.*))")))
                << result;
            EXPECT_LE(std::stoi(parts[1]), std::stoi(parts[2])) << "horizontal scroll at " << width << " px";
            EXPECT_GT(std::stoi(parts[3]), 1000) << "the page's text is missing";
            // The style sheet from the folder was applied.
            EXPECT_NE(parts[4].str(), "rgba(0, 0, 0, 0)");
        }
    }
}
