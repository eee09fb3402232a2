// The export of a 2,000-page site against writing the same bytes into as many files with plain
// write calls.
#include "bench/BenchSite.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zarvik;

namespace {

constexpr int SitePages = 2000;
constexpr std::size_t PageSize = 4500;
constexpr int SiteLinks = 6000;

const char *const Template =
    "<!DOCTYPE html>\r\n"
    "<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n"
    "<title>SiteGeneratorChange.Title</title>\r\n"
    "<link rel=\"stylesheet\" href=\"style.css\">\r\n</head>\r\n<body>\r\n"
    "<div id=\"header\">SiteGeneratorChange.Header SiteGeneratorChange.Adsense</div>\r\n"
    "<div id=\"menu\">SiteGeneratorChange.Menu</div>\r\n"
    "<div id=\"content\">SiteGeneratorChange.MainText</div>\r\n"
    "<div align=\"center\">SiteGeneratorChange.Pagination</div>\r\n"
    "<div id=\"footer\">SiteGeneratorChange.Footer</div>\r\n</body>\r\n</html>\r\n";

struct TExportFixture
{
    TSiteGenerator Site;
    std::filesystem::path Root;
    std::string ExportFolder;
    std::string BaselineFolder;

    TExportFixture()
    {
        bench::FillSite(Site, SitePages, PageSize, SiteLinks);
        Site.SetSiteTemplate(Template);
        Site.SetSiteTitle("\xD1\xE0\xE4");
        Site.SetAdsenseCode("<script src=\"ads.js\"></script>");
        Site.SetCssCode("body { margin: 0 }\r\n");
        Site.SetRandomSource(std::make_unique<TSeededRandom>(7));
        bench::TSilentPrompter prompter;
        Site.SetLinks(prompter);

        std::string pattern = (std::filesystem::temp_directory_path() / "zarvik-export-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        Root = pattern;
        std::filesystem::create_directory(Root / "export");
        std::filesystem::create_directory(Root / "baseline");
        ExportFolder = (Root / "export").string();
        BaselineFolder = (Root / "baseline").string();
    }
    ~TExportFixture() { std::filesystem::remove_all(Root); }
};

TExportFixture &Fixture()
{
    static TExportFixture fixture;
    return fixture;
}

std::int64_t FolderBytes(const std::string &folder)
{
    std::int64_t total = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        total += static_cast<std::int64_t>(entry.file_size());
    return total;
}

void BM_ExportSite(benchmark::State &state)
{
    TExportFixture &f = Fixture();
    bench::TSilentPrompter prompter;
    for (auto _ : state)
        f.Site.ExportSite(f.ExportFolder, prompter);
    state.SetBytesProcessed(state.iterations() * FolderBytes(f.ExportFolder));
}
BENCHMARK(BM_ExportSite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The same files, rendered beforehand and held in memory, written with open, write and close.
void BM_WriteBaseline(benchmark::State &state)
{
    TExportFixture &f = Fixture();
    f.Site.GeneratePag();
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < f.Site.Pages().Count(); ++i)
        files.emplace_back(f.BaselineFolder + "/" + f.Site.Pages()[i].PageUrl(),
                           f.Site.TemplateProcessingF(i));
    files.emplace_back(f.BaselineFolder + "/style.css", f.Site.CssCode());
    std::int64_t bytes = 0;
    for (const auto &file : files)
        bytes += static_cast<std::int64_t>(file.second.size());

    for (auto _ : state) {
        for (const auto &[path, data] : files) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
                state.SkipWithError("write failed");
                break;
            }
            ::close(fd);
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
