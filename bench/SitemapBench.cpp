// sitemap.xml for a site of 100,000 pages, written as the export writes it (the texts made, then
// each file saved safely), against writing the same number of bytes raw: made beforehand and
// written with open, write and close. The folder is in /dev/shm when there is one, so the disk
// does not set the pace.
#include "app/ProjectSettings.h"
#include "app/SiteAddress.h"
#include "app/SiteFiles.h"
#include "app/Sitemap.h"
#include "engine/EXSiteGenerator.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace zarvik {
namespace {

constexpr int Pages = 100000;

struct TSitemapFixture
{
    TSiteGenerator Site;
    TProjectSettings Settings;
    std::filesystem::path Root;

    TSitemapFixture()
    {
        for (int i = 0; i < Pages; ++i)
            Site.CreateNewPage("page", std::string());
        Settings.SetBaseUrl("https://сад.рф/статьи/");
        Settings.SetSitemap(true);
        const std::filesystem::path shm = "/dev/shm";
        std::string pattern =
            ((std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path()) /
             "zarvik-sitemap-XXXXXX")
                .string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        Root = pattern;
    }
    ~TSitemapFixture() { std::filesystem::remove_all(Root); }
};

TSitemapFixture &Fixture()
{
    static TSitemapFixture fixture;
    return fixture;
}

std::int64_t FolderBytes(const std::filesystem::path &folder)
{
    std::int64_t total = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        total += static_cast<std::int64_t>(entry.file_size());
    return total;
}

void BM_SitemapWrite(benchmark::State &state)
{
    TSitemapFixture &f = Fixture();
    const std::filesystem::path folder = f.Root / "sitemap";
    std::filesystem::create_directories(folder);
    for (auto _ : state)
        WriteSiteFiles(folder.string(), f.Settings, f.Site);
    state.counters["files"] =
        static_cast<double>(std::distance(std::filesystem::directory_iterator(folder), {}));
    state.counters["MB"] = static_cast<double>(FolderBytes(folder)) / 1e6;
}
BENCHMARK(BM_SitemapWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The texts alone, without writing them.
void BM_SitemapTexts(benchmark::State &state)
{
    TSitemapFixture &f = Fixture();
    std::vector<TSitemapPage> pages;
    for (int i = 0; i < f.Site.Pages().Count(); ++i)
        pages.push_back({f.Site.Pages()[i].PageUrl(), std::nullopt});
    for (auto _ : state)
        benchmark::DoNotOptimize(SitemapFiles(PublicBaseUrl(f.Settings.BaseUrl()), pages));
}
BENCHMARK(BM_SitemapTexts)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The same files' bytes, made beforehand, written with open, write and close.
void BM_SitemapRawBaseline(benchmark::State &state)
{
    TSitemapFixture &f = Fixture();
    std::vector<TSitemapPage> pages;
    for (int i = 0; i < f.Site.Pages().Count(); ++i)
        pages.push_back({f.Site.Pages()[i].PageUrl(), std::nullopt});
    const std::vector<TSiteFileText> files = SitemapFiles(PublicBaseUrl(f.Settings.BaseUrl()), pages);
    const std::filesystem::path folder = f.Root / "raw";
    std::filesystem::create_directories(folder);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const TSiteFileText &file : files) {
            const std::string path = (folder / file.Name).string();
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (fd < 0 ||
                ::write(fd, file.Bytes.data(), file.Bytes.size()) != static_cast<ssize_t>(file.Bytes.size()))
                state.SkipWithError("cannot write");
            ::close(fd);
            bytes += static_cast<std::int64_t>(file.Bytes.size());
        }
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_SitemapRawBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace
} // namespace zarvik

BENCHMARK_MAIN();
